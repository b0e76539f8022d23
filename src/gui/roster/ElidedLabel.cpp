#include "gui/roster/ElidedLabel.h"

#include "utils/CutText.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>

namespace QuorvelClient {
namespace GUI {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void ElidedLabel::setText(const QString& wholeText)
{
    const QString text = Utils::cutText(wholeText);
    const bool changed = text != this->text();
    QLabel::setText(text);
    checkElision(changed);
}

QStringList ElidedLabel::cutTexts(std::initializer_list<const ElidedLabel*> labels)
{
    QStringList texts;
    for (const ElidedLabel* label : labels) {
        if (!label->isHidden() && label->isElided())
            texts << label->text();
    }
    return texts;
}

QSize ElidedLabel::minimumSizeHint() const
{
    return QSize(0, QLabel::minimumSizeHint().height());
}

void ElidedLabel::paintEvent(QPaintEvent* event)
{
    if (!m_elided) {
        QLabel::paintEvent(event);
        return;
    }
    const QRect box = contentsRect();
    QPainter painter(this);
    style()->drawItemText(&painter, box, QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                          isEnabled(), fontMetrics().elidedText(text(), Qt::ElideRight, box.width()), foregroundRole());
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    checkElision();
}

void ElidedLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        checkElision();
}

void ElidedLabel::checkElision(bool textChanged)
{
    const bool elided = fontMetrics().horizontalAdvance(text()) > contentsRect().width();
    if (elided == m_elided && !(elided && textChanged))
        return;
    m_elided = elided;
    update();
    emit elisionChanged();
}

} // namespace GUI
} // namespace QuorvelClient
