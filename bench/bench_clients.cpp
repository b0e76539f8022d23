// Round trip of one request on loopback, one client object per request as issuers do: REST over TLS through
// the proxy, streaming-server previews over plain HTTP; then 16 preview requests in flight at once; then a
// reply of 200 MB to each client from peers in a child process, with the growth of the client process's peak
// memory and the longest time its event loop went without turning.
#include "core/RestClient.h"
#include "core/StreamerClient.h"
#include "peer/FakeNetwork.h"
#include "peer/FakeVideoServer.h"
#include "peer/TestCertificates.h"
#include "support/TestEnvironment.h"
#include "utils/SettingsKeys.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QProcess>
#include <QSslConfiguration>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <malloc.h>
#include <string>
#include <vector>

using QuorvelClient::Core::RestClient;
using QuorvelClient::Core::StreamerClient;

namespace {

template <typename Client, typename Send> double roundTripMs(Send send)
{
    auto* client = new Client;
    QEventLoop loop;
    QObject::connect(client, &Client::responceReceived, &loop, &QEventLoop::quit);
    QObject::connect(client, &Client::error, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    send(client);
    loop.exec();
    const double ms = timer.nsecsElapsed() / 1e6;
    client->deleteLater();
    return ms;
}

void report(const char* what, std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    std::printf("%-40s median %.2f ms, 90th percentile %.2f ms (%zu requests)\n", what, samples[samples.size() / 2],
                samples[samples.size() * 9 / 10], samples.size());
}

long statusKb(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(std::string(key).size()));
    }
    return 0;
}

// The peers of the 200 MB replies, in a child process so that their buffers do not count: prints the test CA's
// file and the proxy's port, then serves.
int runPeers(TestSupport::PeerReply::Framing framing)
{
    using TestSupport::PeerReply;
    TestSupport::FakeNetwork net;
    TestSupport::FakeVideoServer streamer;
    if (!net.start() || !streamer.start())
        return 1;
    net.proxy.map(QStringLiteral("stream.quorvel.example"), 80, QHostAddress::LocalHost, streamer.port());
    net.service.setFixedReply(PeerReply::filler(qint64(200) << 20, framing));
    streamer.setFixedReply(PeerReply::filler(qint64(200) << 20, framing));
    std::printf("%s\n%d\n", qPrintable(TestSupport::TestCertificates::trusted().caFile), int(net.proxy.port()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}

template <typename Client, typename Send> void hugeReply(const QString& what, Send send)
{
    // Gives freed memory back first, so that memory taken again counts; then restarts the peak memory count of
    // the process at its present size.
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = statusKb("VmRSS:");
    QElapsedTimer sinceTick;
    qint64 longest = 0;
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] { longest = qMax(longest, sinceTick.restart()); });
    QList<int> codes;
    auto* client = new Client;
    QEventLoop loop;
    QObject::connect(client, &Client::responceReceived, &loop, &QEventLoop::quit);
    QObject::connect(client, &Client::error, &loop, [&](int code) {
        codes << code;
        loop.quit();
    });
    sinceTick.start();
    probe.start();
    send(client);
    loop.exec();
    delete client;
    std::printf("%-40s error %d, peak memory +%.1f MB, longest stall %lld ms\n", qPrintable(what + ':'), codes.value(0),
                (statusKb("VmHWM:") - before) / 1024.0, longest);
}

void hugeReplies()
{
    using TestSupport::PeerReply;
    for (const auto framing : {PeerReply::ByLength, PeerReply::Chunked, PeerReply::UntilClose}) {
        const QString name = framing == PeerReply::ByLength  ? QStringLiteral("announced")
                             : framing == PeerReply::Chunked ? QStringLiteral("chunked")
                                                             : QStringLiteral("to the close");
        QProcess peers;
        peers.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--peers"), QString::number(framing)});
        while (peers.canReadLine() == false && peers.waitForReadyRead(30000)) {
        }
        const QString caFile = QString::fromLocal8Bit(peers.readLine()).trimmed();
        while (peers.canReadLine() == false && peers.waitForReadyRead(30000)) {
        }
        const int proxyPort = peers.readLine().trimmed().toInt();
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(caFile);
        QSslConfiguration::setDefaultConfiguration(tls);
        Utils::Keys::proxyPort().setValue(proxyPort);

        hugeReply<RestClient>("REST, 200 MB " + name, [](RestClient* c) {
            c->request(QStringLiteral("public/version/client"), {}, QStringLiteral("GET"));
        });
        hugeReply<StreamerClient>("Preview, 200 MB " + name,
                                  [](StreamerClient* c) { c->request(QStringLiteral("preview/live"), {}, false); });
        peers.kill();
        peers.waitForFinished();
    }
}

} // namespace

int main(int argc, char* argv[])
{
    TestSupport::prepareEnvironment();
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    if (argc == 3 && QByteArray(argv[1]) == "--peers")
        return runPeers(TestSupport::PeerReply::Framing(QByteArray(argv[2]).toInt()));
    TestSupport::FakeNetwork net;
    if (!net.start()) {
        std::printf("cannot start the fake service\n");
        return 1;
    }
    net.useProxy();
    TestSupport::FakeVideoServer streamer;
    streamer.setSessionCheck([](const QString&) { return true; });
    streamer.setCameras({{1, "Bench", 1, "h264", 640, 480}});
    streamer.start();
    net.proxy.map(QStringLiteral("stream.quorvel.example"), 80, QHostAddress::LocalHost, streamer.port());

    std::vector<double> rest, previews;
    for (int i = 0; i < 100; ++i)
        rest.push_back(roundTripMs<RestClient>(
            [](RestClient* c) { c->request(QStringLiteral("public/version/client"), {}, QStringLiteral("GET")); }));
    report("REST GET over TLS through the proxy:", rest);
    for (int i = 0; i < 100; ++i)
        previews.push_back(roundTripMs<StreamerClient>([](StreamerClient* c) {
            c->request(QStringLiteral("preview/live"), {{"camera", 1}, {"q", 0}, {"server", "S"}, {"sessionId", "X"}},
                       false);
        }));
    report("Preview (JPEG) through the proxy:", previews);

    QElapsedTimer timer;
    timer.start();
    int pending = 16;
    QEventLoop loop;
    for (int i = 0; i < 16; ++i) {
        auto* client = new StreamerClient;
        auto done = [&, client] {
            client->deleteLater();
            if (--pending == 0)
                loop.quit();
        };
        QObject::connect(client, &StreamerClient::responceReceived, &loop, done);
        QObject::connect(client, &StreamerClient::error, &loop, done);
        client->request(QStringLiteral("preview/live"), {{"camera", 1}, {"sessionId", "X"}}, false);
    }
    loop.exec();
    std::printf("%-40s %.2f ms for all\n", "16 previews in flight at once:", timer.nsecsElapsed() / 1e6);

    hugeReplies();
    TestSupport::cleanupEnvironment();
    return 0;
}
