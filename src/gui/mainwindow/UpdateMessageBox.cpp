#include "gui/mainwindow/UpdateMessageBox.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QStyle>
#include <QWindow>

#include <utility>

namespace QuorvelClient {
namespace GUI {

namespace {

QLabel* textLabel(QMessageBox* box)
{
    return box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
}

} // namespace

UpdateMessageBox::UpdateMessageBox(QWidget* parent) : QMessageBox(parent)
{
    // A message box blocks its application by default; this one must leave the window usable.
    setWindowModality(Qt::NonModal);
}

void UpdateMessageBox::showMessage(const QString& text, QMessageBox::Icon icon)
{
    // Setting the icon lays the box out anew around its own label, so the label goes back first.
    unfit();
    setText(text);
    setTextFormat(Qt::RichText);
    if (icon != NoIcon)
        setIcon(icon);
    if (isVisible() && fit()) {
        // An open box that grew keeps its place only as far as the screen allows.
        const QRect available = screen()->availableGeometry();
        QRect frame = frameGeometry();
        frame.moveBottom(qMin(frame.bottom(), available.bottom()));
        frame.moveTop(qMax(frame.top(), available.top()));
        move(frame.topLeft());
    }
    show();
}

bool UpdateMessageBox::event(QEvent* event)
{
    // A new style lays the box out anew around its own label, as a new icon does.
    const bool restyled = event->type() == QEvent::StyleChange && m_scroll;
    if (restyled)
        unfit();
    const bool result = QMessageBox::event(event);
    if (restyled && isVisible())
        fit();
    // The message box unwraps its label whenever it measures itself; the label in the scroll area keeps wrapping.
    if (m_scroll) {
        if (auto* label = qobject_cast<QLabel*>(m_scroll->widget()); label && !label->wordWrap())
            label->setWordWrap(true);
    }
    return result;
}

void UpdateMessageBox::showEvent(QShowEvent* event)
{
    QMessageBox::showEvent(event);
    if (fit() && !event->spontaneous())
        adjustPosition(parentWidget());
}

bool UpdateMessageBox::fit()
{
    auto* grid = qobject_cast<QGridLayout*>(layout());
    QLabel* label = textLabel(this);
    if (m_scroll || !grid || !label || !screen() || grid->indexOf(label) < 0)
        return false;
    // A frame the window system has not told yet is taken as a title bar and two borders.
    QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (frame.top() + frame.bottom() <= 0)
        frame = QMargins(0, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this), 0, 4);
    const int room = screen()->availableGeometry().height() - frame.top() - frame.bottom();
    if (height() <= room)
        return false;

    int row = 0;
    int column = 0;
    int rowSpan = 0;
    int columnSpan = 0;
    grid->getItemPosition(grid->indexOf(label), &row, &column, &rowSpan, &columnSpan);
    const int minimum = fontMetrics().height() * 3;
    const QSize size(label->width(), qMax(label->height() - (height() - room), minimum));
    grid->removeWidget(label);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("updateMessageScroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(true);
    // A gap keeps the text off the scroll bar.
    m_labelMargins = label->contentsMargins();
    label->setContentsMargins(m_labelMargins +
                              QMargins(0, 0, style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing), 0));
    m_scroll->setWidget(label);
    m_scroll->setFixedSize(size);
    grid->addWidget(m_scroll, row, column, rowSpan, columnSpan);
    m_scroll->show();
    // The box measures itself again around the scroll area, and once more if the label's place was not yet known.
    QEvent request(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(this, &request);
    if (height() > room && m_scroll->height() > minimum) {
        m_scroll->setFixedHeight(qMax(minimum, m_scroll->height() - (height() - room)));
        QCoreApplication::sendEvent(this, &request);
    }
    return true;
}

void UpdateMessageBox::unfit()
{
    // Cleared first: the box hears of its children going while the scroll area is taken apart.
    QScrollArea* scroll = std::exchange(m_scroll, nullptr);
    if (!scroll)
        return;
    auto* grid = qobject_cast<QGridLayout*>(layout());
    int row = 0;
    int column = 0;
    int rowSpan = 0;
    int columnSpan = 0;
    const int index = grid ? grid->indexOf(scroll) : -1;
    if (index >= 0) {
        grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
        grid->removeWidget(scroll);
    }
    if (QWidget* label = scroll->takeWidget()) {
        label->setParent(this);
        label->setContentsMargins(m_labelMargins);
        if (index >= 0)
            grid->addWidget(label, row, column, rowSpan, columnSpan);
        label->show();
    }
    delete scroll;
}

} // namespace GUI
} // namespace QuorvelClient
