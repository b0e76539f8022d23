// A standalone fake of the service and of local video servers on loopback, for running the client by hand:
//   fakepeer [--account LOGIN:PASSWORD]... [--local PORT:PASSWORD:ID=NAME,ID=NAME...]...
//            [--service-port N] [--proxy-port N] [--streamer-port N] [--client-version X.Y.Z] [--drop-sign-ins N]
//            [--archive-loops N] [--archive-burst MS]
// Every request the service and the streaming server read is printed as a "service" or "streamer" line.
// The client reaches the service and the streaming server through the printed proxy (its own proxy settings);
// local video servers are added in the client by address 127.0.0.1 and the printed port, and stream the test clip
// live and as archive. The client keeps its certificate checks, so it talks to the fake service only once the
// printed CA is in the system's CA store.
#include "peer/FakeProxy.h"
#include "peer/FakeService.h"
#include "peer/FakeVideoServer.h"
#include "peer/FlvStreamSource.h"
#include "peer/TestCertificates.h"
#include "support/TestClips.h"
#include "utils/ServiceHosts.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

using namespace TestSupport;

static QList<FakeCamera> parseCameras(const QString& text)
{
    QList<FakeCamera> cameras;
    for (const QString& item : text.split(',', Qt::SkipEmptyParts)) {
        FakeCamera camera;
        camera.id = item.section('=', 0, 0).toInt();
        camera.name = item.section('=', 1);
        if (camera.name.isEmpty())
            camera.name = QStringLiteral("Camera %1").arg(camera.id);
        cameras << camera;
    }
    return cameras;
}

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Fake service and local video servers on loopback"));
    parser.addHelpOption();
    QCommandLineOption account(QStringLiteral("account"), QStringLiteral("A service account."),
                               QStringLiteral("login:password"));
    QCommandLineOption local(QStringLiteral("local"), QStringLiteral("A local video server."),
                             QStringLiteral("port:password:id=name,..."));
    QCommandLineOption servicePort(QStringLiteral("service-port"), QStringLiteral("HTTPS port of the service."),
                                   QStringLiteral("port"), QStringLiteral("0"));
    QCommandLineOption proxyPort(QStringLiteral("proxy-port"), QStringLiteral("Port of the proxy."),
                                 QStringLiteral("port"), QStringLiteral("0"));
    QCommandLineOption streamerPort(QStringLiteral("streamer-port"), QStringLiteral("Port of the streaming server."),
                                    QStringLiteral("port"), QStringLiteral("0"));
    QCommandLineOption clientVersion(QStringLiteral("client-version"), QStringLiteral("Current client version."),
                                     QStringLiteral("version"), QStringLiteral("5.6.0"));
    QCommandLineOption dropSignIns(QStringLiteral("drop-sign-ins"),
                                   QStringLiteral("Close the connection of the first N sign-ins after reading them."),
                                   QStringLiteral("count"), QStringLiteral("0"));
    QCommandLineOption archiveLoops(QStringLiteral("archive-loops"),
                                    QStringLiteral("How many times a local server's archive stream repeats the clip."),
                                    QStringLiteral("count"), QStringLiteral("1"));
    QCommandLineOption archiveBurst(QStringLiteral("archive-burst"),
                                    QStringLiteral("Milliseconds of a stream a local server sends at once."),
                                    QStringLiteral("ms"), QStringLiteral("2000"));
    parser.addOptions(
        {account, local, servicePort, proxyPort, streamerPort, clientVersion, dropSignIns, archiveLoops, archiveBurst});
    parser.process(app);

    const CertificateSet& certificates = TestCertificates::trusted();
    if (!certificates.isValid()) {
        std::fprintf(stderr, "cannot make certificates (is openssl installed?)\n");
        return 1;
    }

    FakeService service;
    service.setTls(certificates.server, certificates.serverKey);
    service.setClientVersion(parser.value(clientVersion));
    service.dropSignIns(parser.value(dropSignIns).toInt());
    QObject::connect(&service, &FakeHttpServer::requestReceived, [](const PeerRequest& request) {
        std::printf("service %s\n", request.requestLine.constData());
        std::fflush(stdout);
    });
    for (const QString& item : parser.values(account))
        service.addAccount(item.section(':', 0, 0), item.section(':', 1));
    if (!service.start(QHostAddress::LocalHost, parser.value(servicePort).toUShort())) {
        std::fprintf(stderr, "cannot listen for the service\n");
        return 1;
    }

    FakeVideoServer streamer;
    streamer.setSessionCheck([&service](const QString& session) { return service.sessions().contains(session); });
    streamer.setCameras({{1, QStringLiteral("Entrance"), 1, QStringLiteral("h264"), 1280, 720},
                         {2, QStringLiteral("Yard"), 1, QStringLiteral("h264"), 1280, 720}});
    streamer.fillSampleRecords(QDateTime::currentDateTime());
    QObject::connect(&streamer, &FakeHttpServer::requestReceived, [](const PeerRequest& request) {
        std::printf("streamer %s\n", request.requestLine.constData());
        std::fflush(stdout);
    });
    if (!streamer.start(QHostAddress::LocalHost, parser.value(streamerPort).toUShort())) {
        std::fprintf(stderr, "cannot listen for the streaming server\n");
        return 1;
    }

    FakeProxy proxy;
    if (!proxy.start(parser.value(proxyPort).toUShort())) {
        std::fprintf(stderr, "cannot listen for the proxy\n");
        return 1;
    }
    proxy.map(QString::fromLatin1(Utils::ServiceHosts::apiHost), 443, QHostAddress::LocalHost, service.port());
    proxy.map(QString::fromLatin1(Utils::ServiceHosts::streamerHost), 80, QHostAddress::LocalHost, streamer.port());

    const QString clip = clipPath(Clip::H264);
    if (clip.isEmpty())
        std::fprintf(stderr, "no test clip (is ffmpeg installed?): local servers stream nothing\n");
    std::vector<std::unique_ptr<FakeVideoServer>> locals;
    std::vector<std::unique_ptr<FlvStreamSource>> streams;
    for (const QString& item : parser.values(local)) {
        auto server = std::make_unique<FakeVideoServer>();
        server->setPassword(item.section(':', 1, 1));
        server->setCameras(parseCameras(item.section(':', 2)));
        server->fillSampleRecords(QDateTime::currentDateTime());
        if (!clip.isEmpty()) {
            auto stream = std::make_unique<FlvStreamSource>();
            stream->setLiveClip(clip);
            stream->setArchiveClip(clip);
            stream->setArchiveLoops(parser.value(archiveLoops).toInt());
            stream->setBurst(parser.value(archiveBurst).toInt());
            // As long as a sample record, so that archive plays on as it would from a server.
            stream->setArchiveLoops(300);
            stream->attachTo(server.get());
            streams.push_back(std::move(stream));
        }
        if (!server->start(QHostAddress::LocalHost, item.section(':', 0, 0).toUShort())) {
            std::fprintf(stderr, "cannot listen for local server %s\n", qPrintable(item));
            return 1;
        }
        proxy.map(QStringLiteral("127.0.0.1"), server->port(), QHostAddress::LocalHost, server->port());
        std::printf("local http 127.0.0.1:%d\n", server->port());
        locals.push_back(std::move(server));
    }

    std::printf("ca %s\n", qPrintable(certificates.caFile));
    std::printf("service https 127.0.0.1:%d\n", service.port());
    std::printf("streamer http 127.0.0.1:%d\n", streamer.port());
    std::printf("proxy 127.0.0.1:%d\n", proxy.port());
    std::fflush(stdout);
    return app.exec();
}
