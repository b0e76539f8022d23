#pragma once

#include "peer/FakeProxy.h"
#include "peer/FakeService.h"
#include "peer/FakeVideoServer.h"
#include "peer/FlvStreamSource.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace TestSupport {

// The peers of a whole client on loopback, mapped on one proxy as the client meets them: the service (TLS with the
// test CA) on the API host's port 443, the streaming server on the streamer host's port 80, and local video servers
// on 127.0.0.1 at their own ports. The streaming server and the local servers stream the test clip. The client reaches
// all of them through its proxy settings.
class FakePeerSet
{
public:
    FakePeerSet();
    ~FakePeerSet();

    // Ports of 0 pick free ones. False when the certificates cannot be made or a port cannot be bound.
    bool start(quint16 servicePort = 0, quint16 proxyPort = 0, quint16 streamerPort = 0);

    // A local video server with these cameras that streams the test clip live and as archive (repeated
    // `archiveLoops` times, the first `burstMs` at once), listening on `port` (0: any) and mapped on the proxy.
    // Null when it cannot listen.
    FakeVideoServer* addLocal(const QString& password, const QList<FakeCamera>& cameras, quint16 port = 0,
                              int archiveLoops = 300, int burstMs = 2000);

    // The test CA's certificate file, for a client that is to trust the service.
    QString caFile() const;
    // The command words that run a program trusting that CA (scripts/with-test-ca), with the script's options.
    QStringList caWrapper(const QStringList& options = {}) const;

    FakeService service;
    FakeVideoServer streamer;
    FakeProxy proxy;
    std::vector<std::unique_ptr<FakeVideoServer>> locals;

private:
    // The test clip live and as archive on the server's "/flv/" routes.
    void addStream(FakeVideoServer* server, int archiveLoops, int burstMs);

    std::vector<std::unique_ptr<FlvStreamSource>> m_streams;
};

} // namespace TestSupport
