#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

namespace TestSupport {

// Receives every https address that the program hands to the browser while it lives.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    UrlRecorder();
    ~UrlRecorder() override;

    QList<QUrl> opened;

public slots:
    void open(const QUrl& url);
};

} // namespace TestSupport
