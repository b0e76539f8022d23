#include "peer/FakePeerSet.h"

#include "peer/TestCertificates.h"
#include "support/TestClips.h"
#include "utils/ServiceHosts.h"

#include <QDateTime>

namespace TestSupport {

FakePeerSet::FakePeerSet()
{
    streamer.setSessionCheck([this](const QString& session) { return service.sessions().contains(session); });
    streamer.setCameras({{1, QStringLiteral("Entrance"), 1, QStringLiteral("h264"), 1280, 720},
                         {2, QStringLiteral("Yard"), 1, QStringLiteral("h264"), 1280, 720}});
    streamer.fillSampleRecords(QDateTime::currentDateTime());
    addStream(&streamer, 300, 2000);
}

FakePeerSet::~FakePeerSet() = default;

bool FakePeerSet::start(quint16 servicePort, quint16 proxyPort, quint16 streamerPort)
{
    const CertificateSet& certificates = TestCertificates::trusted();
    if (!certificates.isValid())
        return false;
    service.setTls(certificates.server, certificates.serverKey);
    if (!service.start(QHostAddress::LocalHost, servicePort) ||
        !streamer.start(QHostAddress::LocalHost, streamerPort) || !proxy.start(proxyPort))
        return false;
    proxy.map(QString::fromLatin1(Utils::ServiceHosts::apiHost), 443, QHostAddress::LocalHost, service.port());
    proxy.map(QString::fromLatin1(Utils::ServiceHosts::streamerHost), 80, QHostAddress::LocalHost, streamer.port());
    return true;
}

FakeVideoServer* FakePeerSet::addLocal(const QString& password, const QList<FakeCamera>& cameras, quint16 port,
                                       int archiveLoops, int burstMs)
{
    auto server = std::make_unique<FakeVideoServer>();
    server->setPassword(password);
    server->setCameras(cameras);
    server->fillSampleRecords(QDateTime::currentDateTime());
    addStream(server.get(), archiveLoops, burstMs);
    if (!server->start(QHostAddress::LocalHost, port))
        return nullptr;
    proxy.map(QStringLiteral("127.0.0.1"), server->port(), QHostAddress::LocalHost, server->port());
    locals.push_back(std::move(server));
    return locals.back().get();
}

void FakePeerSet::addStream(FakeVideoServer* server, int archiveLoops, int burstMs)
{
    const QString clip = clipPath(Clip::H264);
    if (clip.isEmpty())
        return;
    auto stream = std::make_unique<FlvStreamSource>();
    stream->setLiveClip(clip);
    stream->setArchiveClip(clip);
    stream->setArchiveLoops(archiveLoops);
    stream->setBurst(burstMs);
    stream->attachTo(server);
    m_streams.push_back(std::move(stream));
}

QString FakePeerSet::caFile() const
{
    return TestCertificates::trusted().caFile;
}

QStringList FakePeerSet::caWrapper(const QStringList& options) const
{
    return QStringList{QStringLiteral(QUORVEL_SOURCE_DIR "/scripts/with-test-ca"), caFile()} + options;
}

} // namespace TestSupport
