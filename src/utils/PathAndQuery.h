#pragma once

#include <QByteArray>
#include <QUrl>

namespace Utils {

// The encoded path, query and fragment of the URL, without scheme, host and port.
QByteArray pathAndQuery(const QUrl& url);

} // namespace Utils
