#pragma once

#include <QByteArray>
#include <QString>

namespace Utils {

// Stands in for a secret (password, session id) in log lines: "********", or an empty text for an empty secret.
QString maskSecret(const QString& secret);

// The URL text with the values of its "sessionId" and "password" query items masked.
QString maskUrlSecrets(const QString& url);

// Bytes from a peer as they may stand in a log line: the first `shown` of them, followed by the whole length when
// there are more.
QString logExcerpt(const QByteArray& bytes, qsizetype shown = 300);

} // namespace Utils
