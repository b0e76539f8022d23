#include "utils/CutText.h"

#include <QTextBoundaryFinder>

namespace Utils {

QString cutText(const QString& text, qsizetype length)
{
    if (text.size() <= length)
        return text;
    if (length < 1)
        return QString();
    const qsizetype kept = length - 1;
    // Only the beginning is looked at, whatever the length of the text: one letter past the cut is enough to tell
    // whether the cut falls inside a letter (a surrogate pair, a base and its marks).
    QTextBoundaryFinder letters(QTextBoundaryFinder::Grapheme, text.constData(), kept + 1);
    letters.setPosition(kept);
    qsizetype cut = letters.isAtBoundary() ? kept : letters.toPreviousBoundary();
    // A letter longer than the whole room is cut between code points instead.
    if (cut <= 0) {
        cut = kept;
        if (cut > 0 && text.at(cut).isLowSurrogate() && text.at(cut - 1).isHighSurrogate())
            --cut;
    }
    return text.left(cut) + QChar(0x2026);
}

} // namespace Utils
