#pragma once

#include <QString>

namespace Utils {

// Stands in for a secret (password, session id) in log lines: "********", or an empty text for an empty secret.
QString maskSecret(const QString& secret);

// The URL text with the values of its "sessionId" and "password" query items masked.
QString maskUrlSecrets(const QString& url);

} // namespace Utils
