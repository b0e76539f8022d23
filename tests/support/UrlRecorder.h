#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

namespace TestSupport {

// Receives every https address that the program hands to the browser while it lives.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    UrlRecorder() { QDesktopServices::setUrlHandler("https", this, "open"); }
    ~UrlRecorder() override { QDesktopServices::unsetUrlHandler("https"); }

    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened << url; }
};

} // namespace TestSupport
