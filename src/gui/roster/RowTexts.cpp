#include "gui/roster/RowTexts.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QTextDocument>

namespace QuorvelClient {
namespace GUI {

namespace {
// Below this a text is no longer readable; a strip that would need less is left to clip.
constexpr int kSmallestPixels = 8;
} // namespace

void fitStripFont(QFrame* strip, const QList<QLabel*>& lines)
{
    const QLayout* layout = strip->layout();
    const QMargins margins = layout->contentsMargins();
    const int count = int(lines.size());
    const int room = strip->maximumHeight() - 2 * strip->frameWidth() - margins.top() - margins.bottom() -
                     (count - 1) * qMax(0, layout->spacing());
    QFont font = lines.first()->font();
    int pixels = QFontInfo(font).pixelSize();
    const int start = pixels;
    while (pixels > kSmallestPixels && QFontMetrics(font).height() * count > room)
        font.setPixelSize(--pixels);
    if (pixels == start)
        return;
    // Set on each label: a font set on the strip does not reach labels that a style sheet polishes.
    for (QLabel* line : lines)
        line->setFont(font);
}

QString rowToolTip(const QString& sentence, const QStringList& cutTexts)
{
    QString tip = sentence;
    for (const QString& text : cutTexts) {
        if (!sentence.contains(text))
            tip += QLatin1Char('\n') + text;
    }
    // A tooltip that looks like markup is drawn as rich text: a name such as <img src="..."> would make the view
    // read that file. Escaped, and laid out line by line as a plain tooltip is.
    if (!Qt::mightBeRichText(tip))
        return tip;
    return QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(tip.toHtmlEscaped());
}

} // namespace GUI
} // namespace QuorvelClient
