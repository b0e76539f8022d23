// A standalone fake of the service and of local video servers on loopback, for running the client by hand:
//   fakepeer [--account LOGIN:PASSWORD]... [--local PORT:PASSWORD:ID=NAME,ID=NAME...]...
//            [--service-port N] [--proxy-port N] [--streamer-port N] [--client-version X.Y.Z] [--client-info FILE]
//            [--drop-sign-ins N] [--archive-loops N] [--archive-burst MS] [--trickle-local PORT]...
// Every request the service, the streaming server and a local video server read is printed as a "service",
// "streamer" or "local 127.0.0.1:PORT" line. SIGTERM, SIGINT and SIGHUP end the peer as a return from main does, so
// that it leaves no temporary folder behind.
// The client reaches the service and the streaming server through the printed proxy (its own proxy settings);
// local video servers are added in the client by address 127.0.0.1 and the printed port, and stream the test clip
// live and as archive; a trickling local server answers every poll one byte a second. The client keeps its certificate
// checks, so it talks to the fake service only once the printed CA is in the system's CA store.
#include "peer/FakePeerSet.h"
#include "support/TestClips.h"

#include <QCommandLineParser>
#include <QFile>
#include <QGuiApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace TestSupport;

static int g_signalPipe[2] = {-1, -1};

static void onSignal(int)
{
    const char byte = 1;
    (void)!::write(g_signalPipe[1], &byte, 1);
}

// The signals that stop the peer quit the event loop instead; one that comes before it runs ends it at its start.
static void quitOnSignals(QCoreApplication& app)
{
    if (::pipe2(g_signalPipe, O_CLOEXEC) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int number : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(number, &action, nullptr);
}

static void printRequests(FakeHttpServer* server, const QByteArray& name)
{
    QObject::connect(server, &FakeHttpServer::requestReceived, [name](const PeerRequest& request) {
        std::printf("%s %s\n", name.constData(), request.requestLine.constData());
        std::fflush(stdout);
    });
}

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
    quitOnSignals(app);
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
    QCommandLineOption clientInfo(QStringLiteral("client-info"),
                                  QStringLiteral("A file whose text the service offers with the current version."),
                                  QStringLiteral("file"));
    QCommandLineOption dropSignIns(QStringLiteral("drop-sign-ins"),
                                   QStringLiteral("Close the connection of the first N sign-ins after reading them."),
                                   QStringLiteral("count"), QStringLiteral("0"));
    QCommandLineOption archiveLoops(QStringLiteral("archive-loops"),
                                    QStringLiteral("How many times a local server's archive stream repeats the clip."),
                                    QStringLiteral("count"), QStringLiteral("300"));
    QCommandLineOption archiveBurst(QStringLiteral("archive-burst"),
                                    QStringLiteral("Milliseconds of a stream a local server sends at once."),
                                    QStringLiteral("ms"), QStringLiteral("2000"));
    QCommandLineOption trickleLocal(QStringLiteral("trickle-local"),
                                    QStringLiteral("A local video server that answers one byte a second."),
                                    QStringLiteral("port"));
    parser.addOptions({account, local, servicePort, proxyPort, streamerPort, clientVersion, clientInfo, dropSignIns,
                       archiveLoops, archiveBurst, trickleLocal});
    parser.process(app);

    FakePeerSet peers;
    QString info;
    if (parser.isSet(clientInfo)) {
        QFile file(parser.value(clientInfo));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "Cannot read %s\n", qPrintable(file.fileName()));
            return 1;
        }
        info = QString::fromUtf8(file.readAll());
    }
    peers.service.setClientVersion(parser.value(clientVersion), info);
    peers.service.dropSignIns(parser.value(dropSignIns).toInt());
    for (const QString& item : parser.values(account))
        peers.service.addAccount(item.section(':', 0, 0), item.section(':', 1));
    printRequests(&peers.service, "service");
    printRequests(&peers.streamer, "streamer");
    if (!peers.start(parser.value(servicePort).toUShort(), parser.value(proxyPort).toUShort(),
                     parser.value(streamerPort).toUShort())) {
        std::fprintf(stderr, "cannot make the certificates (is openssl installed?) or listen on the ports\n");
        return 1;
    }
    if (clipPath(Clip::H264).isEmpty())
        std::fprintf(stderr, "no test clip (is ffmpeg installed?): local servers stream nothing\n");
    for (const QString& item : parser.values(local)) {
        FakeVideoServer* server = peers.addLocal(item.section(':', 1, 1), parseCameras(item.section(':', 2)),
                                                 item.section(':', 0, 0).toUShort(), parser.value(archiveLoops).toInt(),
                                                 parser.value(archiveBurst).toInt());
        if (!server) {
            std::fprintf(stderr, "cannot listen for local server %s\n", qPrintable(item));
            return 1;
        }
        printRequests(server, "local 127.0.0.1:" + QByteArray::number(server->port()));
        std::printf("local http 127.0.0.1:%d\n", server->port());
    }
    for (const QString& item : parser.values(trickleLocal)) {
        FakeVideoServer* server = peers.addLocal(QString(), {}, item.toUShort());
        if (!server) {
            std::fprintf(stderr, "cannot listen for local server %s\n", qPrintable(item));
            return 1;
        }
        for (const char* command : {"streams/info", "vs_info/"})
            server->failCommand(command, PeerReply::trickle(1000, PeerReply::json(QByteArray(4096, ' ') + "[]")));
        printRequests(server, "local 127.0.0.1:" + QByteArray::number(server->port()));
        std::printf("local http 127.0.0.1:%d (trickles)\n", server->port());
    }

    std::printf("ca %s\n", qPrintable(peers.caFile()));
    std::printf("service https 127.0.0.1:%d\n", peers.service.port());
    std::printf("streamer http 127.0.0.1:%d\n", peers.streamer.port());
    std::printf("proxy 127.0.0.1:%d\n", peers.proxy.port());
    std::fflush(stdout);
    return app.exec();
}
