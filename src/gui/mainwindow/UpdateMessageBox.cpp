#include "gui/mainwindow/UpdateMessageBox.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QGridLayout>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QStyle>
#include <QTextBrowser>
#include <QTextFrame>
#include <QWindow>

#include <memory>

namespace QuorvelClient {
namespace GUI {

namespace {

QLabel* textLabel(QMessageBox* box)
{
    return box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
}

// Whether the label shows all of its text within the first `width` pixels of it: a message box can make a wrapping
// label narrower than its longest word, or lower than its text at its width.
bool showsAll(const QLabel* label, int width)
{
    const QSize needed =
        label->wordWrap() ? QSize(label->minimumSizeHint().width(), label->heightForWidth(width)) : label->sizeHint();
    return needed.width() <= qMin(width, label->width()) && needed.height() <= label->height();
}

// The height of the rich text laid out at that width.
int textHeight(const QTextDocument* document, int width)
{
    const std::unique_ptr<QTextDocument> copy(document->clone());
    copy->setTextWidth(width);
    return qCeil(copy->size().height());
}

} // namespace

UpdateMessageBox::UpdateMessageBox(QWidget* parent) : QMessageBox(parent)
{
    // A message box blocks its application by default; this one must leave the window usable.
    setWindowModality(Qt::NonModal);

    m_notes = new QTextBrowser(this);
    m_notes->setObjectName(QStringLiteral("updateMessageText"));
    m_notes->setFrameShape(QFrame::NoFrame);
    m_notes->viewport()->setAutoFillBackground(false);
    m_notes->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // OK keeps the focus that it has in a message box; a click on the text lets the keys scroll it.
    m_notes->setFocusPolicy(Qt::ClickFocus);
    // Links open outside, as the message box's own label opens them.
    m_notes->setOpenLinks(false);
    connect(m_notes, &QTextBrowser::anchorClicked, this, [](const QUrl& url) { QDesktopServices::openUrl(url); });
    m_notes->hide();
}

void UpdateMessageBox::showMessage(const QString& text, QMessageBox::Icon icon)
{
    setText(text);
    setTextFormat(Qt::RichText);
    m_notes->setHtml(text);
    if (icon != NoIcon)
        setIcon(icon);
    if (!isVisible()) {
        show();
        return;
    }
    arrange();
    // An open box keeps its place only as far as the screen allows; that is no place of the user's choosing.
    const QRect available = screen()->availableGeometry();
    QRect frame = frameGeometry();
    frame.moveBottom(qMin(frame.bottom(), available.bottom()));
    frame.moveTop(qMax(frame.top(), available.top()));
    if (frame.topLeft() != frameGeometry().topLeft()) {
        const bool moved = testAttribute(Qt::WA_Moved);
        move(frame.topLeft());
        setAttribute(Qt::WA_Moved, moved);
    }
}

bool UpdateMessageBox::event(QEvent* event)
{
    const bool result = QMessageBox::event(event);
    // A new style lays the box out anew around its own label, as a new icon does.
    if (event->type() == QEvent::StyleChange && isVisible())
        arrange();
    return result;
}

void UpdateMessageBox::showEvent(QShowEvent* event)
{
    QMessageBox::showEvent(event);
    arrange();
    // Placed again at its new size, where the dialog has just placed it.
    if (!event->spontaneous() && !testAttribute(Qt::WA_Moved)) {
        adjustPosition(parentWidget());
        setAttribute(Qt::WA_Moved, false);
    }
}

void UpdateMessageBox::arrange()
{
    auto* grid = qobject_cast<QGridLayout*>(layout());
    QLabel* label = textLabel(this);
    if (!grid || !label || !screen() || !isVisible())
        return;

    // The plain box first: its label in place, the view out of the layout. Only the view hides the label.
    QEvent request(QEvent::LayoutRequest);
    if (label->isHidden()) {
        grid->removeWidget(m_notes);
        m_notes->hide();
        label->show();
        QCoreApplication::sendEvent(this, &request);
    }
    grid->activate();
    // A frame the window system has not told yet is taken as a title bar and two borders.
    QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (frame.top() + frame.bottom() <= 0)
        frame = QMargins(0, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this), 0, 4);
    const int room = screen()->availableGeometry().height() - frame.top() - frame.bottom();
    const int index = grid->indexOf(label);
    const int width = grid->contentsRect().right() - label->x() + 1;
    if (index < 0 || (height() <= room && showsAll(label, width)))
        return;

    // The view takes the label's place at the text's width, as tall as the text or as the screen allows.
    int row = 0;
    int column = 0;
    int rowSpan = 0;
    int columnSpan = 0;
    grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    // The text starts where the label's would, and keeps a gap to the scroll bar of the style now in use.
    QTextFrameFormat format = m_notes->document()->rootFrame()->frameFormat();
    format.setMargin(0);
    format.setRightMargin(qMax(0, style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing)));
    m_notes->document()->rootFrame()->setFrameFormat(format);
    const int most = qMax(room - (height() - label->height()), fontMetrics().height() * 3);
    m_notes->setFixedSize(width, qMin(textHeight(m_notes->document(), width), most));
    label->hide();
    grid->addWidget(m_notes, row, column, rowSpan, columnSpan);
    m_notes->show();
    QCoreApplication::sendEvent(this, &request);
}

} // namespace GUI
} // namespace QuorvelClient
