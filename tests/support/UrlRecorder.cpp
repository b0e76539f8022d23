#include "support/UrlRecorder.h"

#include <QDesktopServices>

namespace TestSupport {

UrlRecorder::UrlRecorder()
{
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
}

UrlRecorder::~UrlRecorder()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

void UrlRecorder::open(const QUrl& url)
{
    opened << url;
}

} // namespace TestSupport
