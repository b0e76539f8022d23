#include "utils/PathAndQuery.h"

namespace Utils {

QByteArray pathAndQuery(const QUrl& url)
{
    QUrl copy(url);
    copy.setScheme(QString());
    copy.setAuthority(QString());
    return copy.toEncoded();
}

} // namespace Utils
