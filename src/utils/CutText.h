#pragma once

#include <QString>

namespace Utils {

// How many characters of a text from a peer (a name, the service's words) a view shows at most.
constexpr qsizetype kShownTextLength = 200;

// The text as a view shows it: whole when it has at most `length` characters, else its beginning, cut between two
// letters, and "…", together `length` characters at most. What is stored and sent stays whole.
QString cutText(const QString& text, qsizetype length = kShownTextLength);

} // namespace Utils
