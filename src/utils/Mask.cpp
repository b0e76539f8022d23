#include "utils/Mask.h"

#include <QRegularExpression>

namespace Utils {

QString maskSecret(const QString& secret)
{
    return secret.isEmpty() ? QString() : QStringLiteral("********");
}

QString maskUrlSecrets(const QString& url)
{
    static const QRegularExpression secretItem(QStringLiteral("([?&](?:sessionId|password)=)[^&#]*"),
                                               QRegularExpression::CaseInsensitiveOption);
    QString masked = url;
    masked.replace(secretItem, QStringLiteral("\\1********"));
    return masked;
}

QString logExcerpt(const QByteArray& bytes, qsizetype shown)
{
    if (bytes.size() <= shown)
        return QString::fromUtf8(bytes);
    return QString::fromUtf8(bytes.left(shown)) + QStringLiteral("... (%1 bytes)").arg(bytes.size());
}

} // namespace Utils
