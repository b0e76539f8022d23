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

} // namespace Utils
