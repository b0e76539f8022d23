// Round trip of one request on loopback, one client object per request as issuers do: REST over TLS through
// the proxy, streaming-server previews over plain HTTP; then 16 preview requests in flight at once.
#include "core/RestClient.h"
#include "core/StreamerClient.h"
#include "peer/FakeNetwork.h"
#include "peer/FakeVideoServer.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>

#include <algorithm>
#include <cstdio>
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

} // namespace

int main(int argc, char* argv[])
{
    TestSupport::prepareEnvironment();
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
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
    TestSupport::cleanupEnvironment();
    return 0;
}
