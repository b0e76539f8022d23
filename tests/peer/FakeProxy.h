#pragma once

#include "peer/PeerThread.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QTcpServer>

namespace TestSupport {

// A loopback HTTP proxy that knows only the host names it was told about: CONNECT host:port opens a tunnel to
// the mapped loopback address, and an absolute-form request ("GET http://host:port/path") is forwarded there in
// origin form. Unknown targets get 502. Optionally demands Basic credentials (407 otherwise). From start() on it
// serves on the peers' thread.
class FakeProxy : public QTcpServer
{
    Q_OBJECT
public:
    struct Entry
    {
        QByteArray requestLine;
        QByteArray proxyAuthorization;
    };

    explicit FakeProxy(QObject* parent = nullptr);
    ~FakeProxy() override;

    bool start(quint16 port = 0);
    quint16 port() const
    {
        return PeerThread::call(this, [this] { return serverPort(); });
    }

    void map(const QString& host, int port, const QHostAddress& targetAddress, quint16 targetPort);
    void requireCredentials(const QByteArray& user, const QByteArray& password);

    QList<Entry> entries() const
    {
        return PeerThread::call(this, [this] { return m_entries; });
    }
    void clearEntries()
    {
        PeerThread::call(this, [this] { m_entries.clear(); });
    }

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    QMap<QString, QPair<QHostAddress, quint16>> m_targets;
    QByteArray m_credentials;
    QList<Entry> m_entries;
};

} // namespace TestSupport
