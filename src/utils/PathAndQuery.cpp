#include "utils/PathAndQuery.h"

#include <cstring>

namespace Utils {

namespace {

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

QByteArray encode(const QString& text, QueryEncoding encoding, bool key)
{
    static const char hex[] = "0123456789ABCDEF";
    const bool lenient = encoding == QueryEncoding::Lenient;
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size());
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8.at(i);
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '.' || c == '_' || c == '~';
        const bool plain =
            unreserved || (lenient && ((c != '\0' && std::strchr("!$'()*,;:@/?", c)) || (!key && c == '=')));
        const bool triplet =
            lenient && c == '%' && i + 2 < utf8.size() && isHexDigit(utf8.at(i + 1)) && isHexDigit(utf8.at(i + 2));
        if (plain || triplet) {
            out += c;
        } else {
            out += '%';
            out += hex[(uchar(c) >> 4) & 0xF];
            out += hex[uchar(c) & 0xF];
        }
    }
    return out;
}

} // namespace

QByteArray pathAndQuery(const QUrl& url)
{
    QUrl copy(url);
    copy.setScheme(QString());
    copy.setAuthority(QString());
    return copy.toEncoded();
}

QString authority(const QString& host, int port)
{
    const bool ipv6 = host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('['));
    QString text = ipv6 ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    if (port >= 0)
        text += QLatin1Char(':') + QString::number(port);
    return text;
}

QByteArray percentEncoded(const QString& text, QueryEncoding encoding)
{
    return encode(text, encoding, false);
}

QByteArray queryString(const QVariantMap& params, QueryEncoding encoding)
{
    QByteArray query;
    for (auto it = params.constBegin(); it != params.constEnd(); ++it) {
        if (!query.isEmpty())
            query += '&';
        query += encode(it.key(), encoding, true) + '=' + encode(it.value().toString(), encoding, false);
    }
    return query;
}

} // namespace Utils
