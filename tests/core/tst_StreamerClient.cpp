#include "core/ArchiveList.h"
#include "core/StreamerClient.h"
#include "peer/FakeNetwork.h"
#include "peer/FakeVideoServer.h"
#include "support/MessageCapture.h"
#include "support/TestEnvironment.h"
#include "utils/PathAndQuery.h"
#include "utils/Settings.h"

#include <QSignalSpy>

using QuorvelClient::Core::StreamerClient;
using namespace TestSupport;

namespace {

struct Outcome
{
    QList<QVariant> replies;
    QList<QPair<int, int>> errors;
};

Outcome run(StreamerClient* client, const QString& command, const QVariantMap& params, bool parsing = true)
{
    Outcome outcome;
    QEventLoop loop;
    auto c1 = QObject::connect(client, &StreamerClient::responceReceived, &loop, [&](const QVariant& v) {
        outcome.replies << v;
        loop.quit();
    });
    auto c2 = QObject::connect(client, &StreamerClient::error, &loop, [&](int code, int status) {
        outcome.errors << qMakePair(code, status);
        loop.quit();
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    client->request(command, params, parsing);
    loop.exec();
    QObject::disconnect(c1);
    QObject::disconnect(c2);
    return outcome;
}

Outcome runOnce(const QString& host, int port, const QString& command, const QVariantMap& params, bool parsing = true)
{
    StreamerClient client(host, port);
    return run(&client, command, params, parsing);
}

void setSetting(const QString& key, const QVariant& value)
{
    Utils::Settings::instance()->setValue(key, value);
}

} // namespace

class tst_StreamerClient : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void defaultClientAsksStreamingHost();
    void explicitHostIgnoresStreamerSettings();
    void queryIsWrittenByteExactly_data();
    void queryIsWrittenByteExactly();
    void repliesMapToCodes_data();
    void repliesMapToCodes();
    void archiveListsAreReadAsTheyCome_data();
    void archiveListsAreReadAsTheyCome();
    void droppedRequestsAreNotSentAgain_data();
    void droppedRequestsAreNotSentAgain();
    void redirectsNameTheirHost();
    void failedRequestCanBeSentAgain();
    void secretsAndServerBytesStayOutOfTheLog();
    void timeOutCoversTheWholeRequest();

private:
    Outcome runLocal(const QString& command, const QVariantMap& params, bool parsing = true)
    {
        return runOnce("127.0.0.1", local->port(), command, params, parsing);
    }

    FakeNetwork* net = nullptr;
    FakeVideoServer* streamer = nullptr;
    FakeVideoServer* local = nullptr;
};

void tst_StreamerClient::initTestCase()
{
    net = new FakeNetwork(this);
    QVERIFY(net->start());
    streamer = new FakeVideoServer(this);
    QVERIFY(streamer->start());
    streamer->setSessionCheck([](const QString& session) { return session == QLatin1String("X"); });
    streamer->setCameras({{3, "Gate", 1, "h264", 1280, 720}});

    local = new FakeVideoServer(this);
    QVERIFY(local->start());
    local->setPassword("p@ss w&rd/ü");
    local->setCameras({{1, "Door", 1, "h264", 640, 480}, {2, "Yard", 0, "mpeg4", 704, 576}});
}

void tst_StreamerClient::init()
{
    setSetting("proxy/useProxy", false);
    for (FakeVideoServer* server : {streamer, local}) {
        server->clearRequests();
        server->clearScript();
    }
    local->setKeepAlive(false);
    net->proxy.clearEntries();
}

void tst_StreamerClient::defaultClientAsksStreamingHost()
{
    // With nothing in the settings the proxy is asked for the streaming host on port 80, with no version in the
    // path.
    net->useProxy();
    net->proxy.map("stream.quorvel.example", 80, QHostAddress::LocalHost, streamer->port());
    Outcome outcome =
        runOnce(QString(), 0, "preview/live", {{"camera", 3}, {"q", 0}, {"server", "S"}, {"sessionId", "X"}}, false);
    QCOMPARE(outcome.replies, QList<QVariant>{QVariant(FakeVideoServer::previewJpeg(3))});
    const PeerRequest request = streamer->lastRequest();
    QCOMPARE(request.requestLine, QByteArray("GET /preview/live?camera=3&q=0&server=S&sessionId=X HTTP/1.1"));
    QCOMPARE(request.headers, (RawHeaders{{"Accept", "*/*"}, {"Host", "stream.quorvel.example:80"}}));
    QCOMPARE(net->proxy.entries().value(0).requestLine,
             "GET http://stream.quorvel.example:80" + request.target + " HTTP/1.1");

    // The interface version of the settings is the first path segment.
    net->proxy.map("stream.quorvel.example", 8088, QHostAddress::LocalHost, streamer->port());
    setSetting("streamer/version", "2.0");
    setSetting("streamer/port", 8088);
    runOnce(QString(), 0, "vs_info/", {{"server", "1"}});
    setSetting("streamer/version", QString());
    setSetting("streamer/port", 80);
    QCOMPARE(streamer->lastRequest().requestLine, QByteArray("GET /2.0/vs_info/?server=1 HTTP/1.1"));
    QCOMPARE(streamer->lastRequest().header("Host"), QByteArray("stream.quorvel.example:8088"));
}

void tst_StreamerClient::explicitHostIgnoresStreamerSettings()
{
    setSetting("streamer/host", "elsewhere.quorvel.example");
    setSetting("streamer/version", "9");
    // The proxy of the settings applies to local servers too.
    net->useProxy();
    net->proxy.map("127.0.0.1", local->port(), QHostAddress::LocalHost, local->port());
    const QVariantMap params{{"server", "1"}, {"sessionId", QUrl::toPercentEncoding(local->password())}};
    QCOMPARE(runLocal("streams/info", params).replies.value(0).toList().size(), 2);
    setSetting("streamer/host", "stream.quorvel.example");
    setSetting("streamer/version", QString());
    QCOMPARE(local->lastRequest().path, QByteArray("/streams/info"));
    QCOMPARE(local->lastRequest().header("Host"), "127.0.0.1:" + QByteArray::number(local->port()));
    QCOMPARE(net->proxy.entries().size(), 1);
}

void tst_StreamerClient::queryIsWrittenByteExactly_data()
{
    QTest::addColumn<QVariantMap>("params");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QByteArray>("query");

    const int lenient = int(Utils::QueryEncoding::Lenient);
    // Archive parameters in key order; a pre-encoded password travels once encoded, ":" stays literal.
    const QVariantMap archive{{"server", "192.168.1.5:8080"},
                              {"camera", 2},
                              {"sessionId", QUrl::toPercentEncoding("p@ss w&rd/ü")},
                              {"startTime", 1700000000u}};
    QTest::newRow("archive") << archive << lenient
                             << QByteArray("camera=2&server=192.168.1.5:8080&sessionId=p%40ss%20w%26rd%2F%C3%BC&"
                                           "startTime=1700000000");
    QTest::newRow("none") << QVariantMap() << lenient << QByteArray();
    // Text that would break the request line is encoded.
    QTest::newRow("delimiters") << QVariantMap{{"name", QString::fromUtf8("a b&c#d+é")}, {"k=y", "50%"}} << lenient
                                << QByteArray("k%3Dy=50%25&name=a%20b%26c%23d%2B%C3%A9");
    QTest::newRow("broken triplets") << QVariantMap{{"v", "%zz%4"}, {"w", "\r\n\"<>"}} << lenient
                                     << QByteArray("v=%25zz%254&w=%0D%0A%22%3C%3E");
    // The REST API's encoding leaves only the unreserved characters.
    QTest::newRow("strict") << QVariantMap{{"a key", QString::fromUtf8("vé/:%41=")}, {"empty", ""}, {"n", 12}}
                            << int(Utils::QueryEncoding::Strict)
                            << QByteArray("a%20key=v%C3%A9%2F%3A%2541%3D&empty=&n=12");
}

void tst_StreamerClient::queryIsWrittenByteExactly()
{
    QFETCH(QVariantMap, params);
    QFETCH(int, encoding);
    QFETCH(QByteArray, query);
    QCOMPARE(Utils::queryString(params, Utils::QueryEncoding(encoding)), query);
    if (encoding == int(Utils::QueryEncoding::Strict))
        return;
    // And the wire carries exactly that.
    local->setFixedReply(PeerReply::json("[]"));
    runLocal("archive/list", params);
    QCOMPARE(local->lastRequest().requestLine,
             "GET /archive/list" + (query.isEmpty() ? QByteArray() : '?' + query) + " HTTP/1.1");
}

void tst_StreamerClient::repliesMapToCodes_data()
{
    QTest::addColumn<PeerReply>("reply");
    QTest::addColumn<bool>("parsing");
    QTest::addColumn<QList<QPair<int, int>>>("errors");
    QTest::addColumn<QVariant>("response");

    const QVariant none;
    QTest::newRow("409") << PeerReply::json("{}", 409) << true << QList<QPair<int, int>>{{-3, 409}} << none;
    QTest::newRow("empty raw") << PeerReply::json("") << false << QList<QPair<int, int>>{{-2, 200}} << none;
    QTest::newRow("not json") << PeerReply::json("<html/>") << true << QList<QPair<int, int>>{{-2, 200}} << none;
    QTest::newRow("not json raw") << PeerReply::json("<html/>") << false << QList<QPair<int, int>>()
                                  << QVariant(QByteArray("<html/>"));
    QTest::newRow("object, no envelope") << PeerReply::json("{\"success\":false}") << true << QList<QPair<int, int>>()
                                         << QVariant(QVariantMap{{"success", false}});
    QTest::newRow("to the close") << PeerReply::filler(5000, PeerReply::UntilClose) << false << QList<QPair<int, int>>()
                                  << QVariant(QByteArray(5000, 'x'));
    QTest::newRow("200 MB") << PeerReply::filler(200 << 20, PeerReply::UntilClose) << false
                            << QList<QPair<int, int>>{{-2, 200}} << none;
}

void tst_StreamerClient::repliesMapToCodes()
{
    QFETCH(PeerReply, reply);
    QFETCH(bool, parsing);
    QFETCH(QVariant, response);
    local->setFixedReply(reply);
    StreamerClient client("127.0.0.1", local->port());
    QSignalSpy replies(&client, &StreamerClient::responceReceived);
    QSignalSpy errors(&client, &StreamerClient::error);
    MessageCapture log;
    const Outcome outcome = run(&client, "archive/days", {{"camera", 1}}, parsing);
    QCoreApplication::processEvents();
    QCOMPARE(replies.size() + errors.size(), 1);
    QTEST(outcome.errors, "errors");
    QCOMPARE(outcome.replies, response.isValid() ? QList<QVariant>{response} : QList<QVariant>());
    QCOMPARE(log.count("HTTP reply too large:"), reply.fillerBytes > 5000 ? 1 : 0);
}

void tst_StreamerClient::archiveListsAreReadAsTheyCome_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("elements");  // -1: the reply fails with -2
    QTest::addColumn<bool>("document"); // the same reply read as a document succeeds
    const QByteArray twelveMegabytes = '[' + QByteArray("{},").repeated(4 << 20) + "{}]";
    QTest::newRow("list") << QByteArray("[{\"startTime\":5000,\"duration\":1000},7]") << 2 << true;
    QTest::newRow("object") << QByteArray("{\"error\":1}") << 0 << true;
    QTest::newRow("not json") << QByteArray("[{\"startTime\":5000}") << -1 << false;
    QTest::newRow("12 MB") << twelveMegabytes << (4 << 20) + 1 << false;
    QTest::newRow("17 MB") << twelveMegabytes.chopped(1) + QByteArray(",{}").repeated(2 << 20) + ']' << -1 << false;
}

// An "archive/list" reply is read into its elements, up to a longer bound than a document's.
void tst_StreamerClient::archiveListsAreReadAsTheyCome()
{
    QFETCH(QByteArray, body);
    QFETCH(int, elements);
    QFETCH(bool, document);
    local->setFixedReply(PeerReply::json(body));
    StreamerClient client("127.0.0.1", local->port());
    QSignalSpy replies(&client, &StreamerClient::responceReceived);
    QSignalSpy errors(&client, &StreamerClient::error);
    MessageCapture log;
    client.requestArchiveList("archive/list", {{"camera", 1}});
    QTRY_COMPARE_WITH_TIMEOUT(replies.size() + errors.size(), 1, 20000);
    if (elements < 0) {
        QCOMPARE(errors.first(), (QVariantList{-2, 200}));
        QCOMPARE(log.count("HTTP bad data: cannot parse responce:") + log.count("HTTP reply too large:"), 1);
    } else {
        const auto list = replies.first().first().value<QuorvelClient::Core::ArchiveList>();
        QCOMPARE(list.size(), elements);
        if (elements == 2)
            QVERIFY(list.first().startTime == 5000 && list.first().duration == 1000 && list.last().startTime == 0);
    }
    QCOMPARE(run(&client, "archive/list", {{"camera", 1}}).errors.isEmpty(), document);
}

void tst_StreamerClient::droppedRequestsAreNotSentAgain_data()
{
    QTest::addColumn<PeerReply>("drop");
    QTest::addColumn<bool>("reused");
    for (const auto& [name, drop] : PeerReply::drops()) {
        QTest::newRow(("fresh connection, " + name).constData()) << drop << false;
        QTest::newRow(("kept connection, " + name).constData()) << drop << true;
    }
}

// Whatever the peer does after reading a request, the request goes on the wire once and fails with -4; the
// next request on the same client works.
void tst_StreamerClient::droppedRequestsAreNotSentAgain()
{
    QFETCH(PeerReply, drop);
    QFETCH(bool, reused);
    local->setKeepAlive(true);
    StreamerClient client("127.0.0.1", local->port());
    const QVariantMap params{{"server", "1"}, {"sessionId", QUrl::toPercentEncoding(local->password())}};
    if (reused)
        QCOMPARE(run(&client, "vs_info/", params).replies.size(), 1);
    const int connections = local->connectionCount();
    local->enqueueReply(drop);
    QCOMPARE(run(&client, "streams/info", params).errors.value(0).first, -4);
    QCOMPARE(local->requests().size(), reused ? 2 : 1);
    QCOMPARE(local->connectionCount(), connections + (reused ? 0 : 1));
    QCOMPARE(run(&client, "streams/info", params).replies.size(), 1);
    QCOMPARE(local->requests().size(), reused ? 3 : 2);
}

// A redirect is asked with Host first; an IPv6 host is written in brackets, asked directly and after a redirect.
void tst_StreamerClient::redirectsNameTheirHost()
{
    FakeVideoServer six;
    six.setPassword("pw");
    QVERIFY(six.start(QHostAddress::LocalHostIPv6));
    const QByteArray sixAuthority = "[::1]:" + QByteArray::number(six.port());
    QCOMPARE(runOnce("::1", six.port(), "vs_info/", {{"sessionId", "pw"}}).replies.size(), 1);
    local->enqueueReply(PeerReply::redirect(302, "http://" + sixAuthority + "/vs_info/?sessionId=pw"));
    QCOMPARE(runLocal("vs_info/", {{"sessionId", "wrong"}}).replies.size(), 1);
    QCOMPARE(six.requests().size(), 2);
    QCOMPARE(six.requests().at(0).header("Host"), sixAuthority);
    QCOMPARE(six.lastRequest().requestLine, QByteArray("GET /vs_info/?sessionId=pw HTTP/1.1"));
    QCOMPARE(six.lastRequest().headers, (RawHeaders{{"Host", sixAuthority}, {"Accept", "*/*"}}));
}

void tst_StreamerClient::failedRequestCanBeSentAgain()
{
    StreamerClient client("127.0.0.1", local->port());
    const QVariantMap params{{"camera", 1}, {"sessionId", QUrl::toPercentEncoding(local->password())}};
    QList<int> codes;
    QVariant answer;
    connect(&client, &StreamerClient::error, this, [&](int code, int) {
        codes << code;
        QCOMPARE(client.params(), params);
        if (codes.size() < 3)
            client.request("preview/live", client.params(), false);
    });
    connect(&client, &StreamerClient::responceReceived, this, [&](const QVariant& v) { answer = v; });
    // Refused at first, then redirected elsewhere and refused; the third send goes to the client's own server.
    FakeHttpServer elsewhere;
    elsewhere.setFixedReply(PeerReply::json("{}", 500));
    QVERIFY(elsewhere.start());
    local->enqueueReply(PeerReply::json("", 500));
    local->enqueueReply(PeerReply::redirect(302, "http://127.0.0.1:" + QByteArray::number(elsewhere.port()) + "/"));
    client.request("preview/live", params, false);
    QTRY_VERIFY_WITH_TIMEOUT(answer.isValid(), 20000);
    QCOMPARE(codes, (QList<int>{-3, -3}));
    QCOMPARE(answer.toByteArray(), FakeVideoServer::previewJpeg(1));
    QCOMPARE(local->requests().size(), 3);
    QCOMPARE(local->lastRequest().header("Host"), "127.0.0.1:" + QByteArray::number(local->port()));
}

void tst_StreamerClient::secretsAndServerBytesStayOutOfTheLog()
{
    MessageCapture log;
    const QString secret = "Zx9secretPw";
    PeerReply longReason = PeerReply::json("{}", 500);
    longReason.reason = QByteArray(60000, 'r');
    for (const PeerReply& reply : {PeerReply::redirect(302, "http://bad host/?sessionId=" + secret.toUtf8()),
                                   PeerReply::json(QByteArray(1 << 20, '{')), longReason,
                                   PeerReply::redirect(302, "http://bad host/" + QByteArray(60000, 'l'))}) {
        local->setFixedReply(reply);
        runLocal("streams/info", {{"sessionId", secret}});
    }
    QVERIFY(log.contains("Bad redirect address:"));
    QVERIFY2(log.absent(secret), qPrintable(log.messages().join('\n')));
    // Bytes of a reply reach the log only as an excerpt with their length.
    QVERIFY(log.contains("{{{... (1048576 bytes)"));
    for (const QString& message : log.messages())
        QVERIFY2(message.size() < 500, qPrintable(message.left(500)));
}

// A peer that keeps sending is given up all the same when the whole request, redirects included, takes too long.
void tst_StreamerClient::timeOutCoversTheWholeRequest()
{
    MessageCapture log;
    StreamerClient client("127.0.0.1", local->port());
    client.setRequestTimeout(1500);
    const QVariantMap params{{"server", "1"}, {"sessionId", QUrl::toPercentEncoding(local->password())}};
    // About 80 bytes, one every 40 ms.
    local->enqueueReply(PeerReply::trickle(40));
    QCOMPARE(run(&client, "streams/info", params).errors.value(0).first, -4);

    // Two hops of about a second each, every one shorter than the time-out.
    FakeHttpServer elsewhere;
    elsewhere.setFixedReply(PeerReply::trickle(10));
    QVERIFY(elsewhere.start());
    local->enqueueReply(
        PeerReply::trickle(10, PeerReply::redirect(302, "http://127.0.0.1:" + QByteArray::number(elsewhere.port()))));
    QCOMPARE(run(&client, "streams/info", params).errors.value(0).first, -4);
    QCOMPARE(elsewhere.requests().size(), 1);
    QCOMPARE(log.count("HTTP error: 5 \"The peer did not answer in time\""), 2);

    // In time, the reply is taken.
    QCOMPARE(run(&client, "streams/info", params).replies.size(), 1);
}

QUORVEL_TEST_MAIN(tst_StreamerClient)
#include "tst_StreamerClient.moc"
