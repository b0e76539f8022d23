#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QVariantMap>

namespace Utils {

// The encoded path, query and fragment of the URL, without scheme, host and port.
QByteArray pathAndQuery(const QUrl& url);

// "host:port", with an IPv6 address in brackets ("[::1]:8080"); a port below 0 is left out.
QString authority(const QString& host, int port = -1);

// How text is percent-encoded into a query.
enum class QueryEncoding {
    // Only the unreserved characters of RFC 3986 stay as they are: the REST API's queries and form bodies.
    Strict,
    // Sub-delimiters, ":", "@", "/" and "?" stay as they are, "=" too in values, and a "%XX" that is there
    // already travels unchanged, so that a value its issuer encoded is not encoded twice: streaming and local
    // video servers. Bytes that could break the request line (blank, "&", "#", control and non-ASCII bytes) are
    // encoded.
    Lenient,
};

// The UTF-8 text percent-encoded as a query value.
QByteArray percentEncoded(const QString& text, QueryEncoding encoding);

// "key=value" pairs in the map's key order joined by "&", each key and value encoded; empty for no parameters.
QByteArray queryString(const QVariantMap& params, QueryEncoding encoding);

} // namespace Utils
