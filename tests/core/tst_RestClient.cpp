#include "application/Language.h"
#include "core/RestClient.h"
#include "peer/FakeNetwork.h"
#include "peer/TestCertificates.h"
#include "support/MessageCapture.h"
#include "support/TestEnvironment.h"
#include "utils/PathAndQuery.h"
#include "utils/Settings.h"

#include <QSignalSpy>

using QuorvelClient::Core::RestClient;
using namespace TestSupport;

namespace {

struct Outcome
{
    QList<QVariant> replies;
    QList<QPair<int, int>> errors;
    int count() const { return replies.size() + errors.size(); }
};

// Issues one request and waits for its one answer, releasing the client as issuers do.
Outcome run(const QString& command, const QVariantMap& params, const QString& method = "GET")
{
    Outcome outcome;
    auto* client = new RestClient;
    QObject::connect(client, &RestClient::responceReceived, client, [&outcome, client](const QVariant& v) {
        outcome.replies << v;
        client->deleteLater();
    });
    QObject::connect(client, &RestClient::error, client, [&outcome, client](int code, int status) {
        outcome.errors << qMakePair(code, status);
        client->deleteLater();
    });
    QSignalSpy destroyed(client, &QObject::destroyed);
    client->request(command, params, method);
    if (!destroyed.wait(20000))
        qWarning("no answer");
    return outcome;
}

} // namespace

class tst_RestClient : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void requestsAreWrittenExactly();
    void repliesMapToCodes_data();
    void repliesMapToCodes();
    void droppedRequestsAreNotSentAgain_data();
    void droppedRequestsAreNotSentAgain();
    void transportFailuresAreMinusFour();
    void eachCertificateErrorIsLogged();
    void redirectsAreFollowed();
    void errorTextsInBothLanguages();
    void pathAndQueryDropsSchemeAndHost();

private:
    FakeNetwork* net = nullptr;
};

void tst_RestClient::initTestCase()
{
    net = new FakeNetwork(this);
    QVERIFY(net->start());
    QCoreApplication::setApplicationName("Quorvel Client");
    QCoreApplication::setApplicationVersion("5.6.0 Build 232");
}

void tst_RestClient::init()
{
    net->useProxy();
    net->service.setKeepAlive(false);
    net->service.clearRequests();
    net->service.clearScript();
    net->proxy.clearEntries();
    // The first tests run with these keys absent; later ones put the defaults back after a change.
    Utils::Settings* settings = Utils::Settings::instance();
    if (settings->value("rest/host", "absent") != "absent") {
        settings->setValue("rest/host", "api.quorvel.example");
        settings->setValue("rest/version", "3.1");
    }
}

void tst_RestClient::requestsAreWrittenExactly()
{
    net->service.addAccount("user@example.com", "p a&s=s");
    const Outcome outcome = run(
        "public/sessions", {{"login", "user@example.com"}, {"password", "p a&s=s"}, {"clientType", "windows"}}, "POST");
    QCOMPARE(outcome.replies.size(), 1);
    QCOMPARE(outcome.replies.first().toMap().value("session_id").toString(), net->service.sessions().value(0));

    QCOMPARE(net->service.requests().size(), 1);
    const PeerRequest request = net->service.lastRequest();
    QVERIFY(request.tls);
    QCOMPARE(request.requestLine, QByteArray("POST /3.1/public/sessions HTTP/1.1"));
    QCOMPARE(request.body, QByteArray("clientType=windows&login=user%40example.com&password=p%20a%26s%3Ds"));
    QCOMPARE(request.headers, (RawHeaders{{"Host", "api.quorvel.example"},
                                          {"Content-Type", "application/x-www-form-urlencoded"},
                                          {"Content-Length", QByteArray::number(request.body.size())}}));
    // With nothing in the settings the request went through the proxy as a tunnel to the API host's port 443.
    QCOMPARE(net->proxy.entries().size(), 1);
    QCOMPARE(net->proxy.entries().first().requestLine, QByteArray("CONNECT api.quorvel.example:443 HTTP/1.1"));

    // A GET carries the parameters in the query and has no body.
    QCOMPARE(run("public/roster", {{"sessionId", "a b"}}).errors, (QList<QPair<int, int>>{{10002, 200}}));
    const PeerRequest get = net->service.lastRequest();
    QCOMPARE(get.requestLine, QByteArray("GET /3.1/public/roster?sessionId=a%20b HTTP/1.1"));
    QCOMPARE(get.headers, (RawHeaders{{"Host", "api.quorvel.example"}}));
    QVERIFY(get.body.isEmpty());

    // Host and version come from the settings; no parameters, the bare path.
    net->proxy.map("rest.quorvel.example", 443, QHostAddress::LocalHost, net->service.port());
    Utils::Settings::instance()->setValue("rest/host", "rest.quorvel.example");
    Utils::Settings::instance()->setValue("rest/version", "4.2");
    run("public/version/client", {});
    QCOMPARE(net->service.lastRequest().requestLine, QByteArray("GET /4.2/public/version/client HTTP/1.1"));
    QCOMPARE(net->service.lastRequest().header("Host"), QByteArray("rest.quorvel.example"));
}

void tst_RestClient::repliesMapToCodes_data()
{
    QTest::addColumn<PeerReply>("reply");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("status");
    QTest::addColumn<QVariant>("response");
    QTest::addColumn<QString>("logged");

    // Any status above 302 is a failure whatever the body says; 303 is not followed.
    QTest::newRow("500") << PeerReply::json("{\"success\":true}", 500) << -3 << 500 << QVariant() << QString();
    QTest::newRow("303") << PeerReply::redirect(303, "https://api.quorvel.example/x") << -3 << 303 << QVariant()
                         << QString();
    QTest::newRow("empty body") << PeerReply::json("") << -2 << 200 << QVariant() << QString();
    QTest::newRow("not json") << PeerReply::json("<html>busy</html>") << -2 << 200 << QVariant() << QString();
    QTest::newRow("no success") << PeerReply::json("{\"response\":{}}") << -2 << 200 << QVariant() << QString();
    QTest::newRow("service code") << PeerReply::json("{\"success\":false,\"response\":{\"code\":10001}}") << 10001
                                  << 200 << QVariant() << QString();
    QTest::newRow("top-level code ignored")
        << PeerReply::json("{\"success\":false,\"code\":10002,\"response\":{}}") << 0 << 200 << QVariant() << QString();
    QTest::newRow("300 is an answer") << PeerReply::json("{\"success\":true,\"response\":[3,4]}", 300) << 1 << 300
                                      << QVariant(QVariantList{3, 4}) << QString();
    QTest::newRow("closed mid-reply") << PeerReply::withBehaviour(PeerReply::CloseMidReply) << -4 << 200 << QVariant()
                                      << QString();
    QTest::newRow("200 MB") << PeerReply::filler(200 << 20, PeerReply::Chunked) << -2 << 200 << QVariant()
                            << "HTTP reply too large: \"body over 8388608 bytes\"";
    // A loop ends after ten followed redirects; a Location that is no usable URL is logged with its secrets masked.
    QTest::newRow("redirect loop") << PeerReply::redirect(302, "/3.1/public/loop") << -3 << 302 << QVariant()
                                   << "HTTP error: too many redirections: 10";
    QTest::newRow("no Location") << PeerReply::redirect(302, QByteArray()) << -3 << 302 << QVariant()
                                 << "Bad redirect address: \"\"";
    QTest::newRow("bad Location") << PeerReply::redirect(301, "http://bad host/?login=a&password=Zx9secret") << -3
                                  << 301 << QVariant()
                                  << "HTTP Redirection to \"http://bad host/?login=a&password=********\"";
}

// Code 1 in the table stands for a successful reply.
void tst_RestClient::repliesMapToCodes()
{
    QFETCH(PeerReply, reply);
    QFETCH(int, code);
    QFETCH(int, status);
    QFETCH(QVariant, response);
    QFETCH(QString, logged);
    net->service.setFixedReply(reply);
    MessageCapture log;
    const Outcome outcome = run("public/roster", {{"sessionId", "x"}});
    if (code == 1)
        QCOMPARE(outcome.replies, QList<QVariant>{response});
    else
        QCOMPARE(outcome.errors, (QList<QPair<int, int>>{{code, status}}));
    QVERIFY2(logged.isEmpty() || log.count(logged) == 1, qPrintable(log.messages().join('\n')));
    QVERIFY(log.absent("Zx9secret"));
}

void tst_RestClient::droppedRequestsAreNotSentAgain_data()
{
    QTest::addColumn<PeerReply>("drop");
    QTest::addColumn<QString>("method");
    QTest::addColumn<bool>("reused");
    for (const auto& [name, drop] : PeerReply::drops()) {
        QTest::newRow(("POST, " + name).constData()) << drop << "POST" << false;
        QTest::newRow(("GET, " + name).constData()) << drop << "GET" << false;
        QTest::newRow(("POST after a redirect on the same connection, " + name).constData()) << drop << "POST" << true;
    }
}

// Whatever the peer does after reading a request, the request goes on the wire once and fails with -4.
void tst_RestClient::droppedRequestsAreNotSentAgain()
{
    QFETCH(PeerReply, drop);
    QFETCH(QString, method);
    QFETCH(bool, reused);
    net->service.setKeepAlive(true);
    if (reused)
        net->service.enqueueReply(PeerReply::redirect(302, "/3.1/public/sessions"));
    net->service.enqueueReply(drop);
    const int connections = net->service.connectionCount();
    const Outcome outcome = run("public/sessions", {{"login", "a"}, {"password", "b"}}, method);
    QCOMPARE(outcome.errors.value(0).first, -4);
    QCOMPARE(outcome.count(), 1);
    QCOMPARE(net->service.requests().size(), reused ? 2 : 1);
    QCOMPARE(net->service.connectionCount(), connections + 1);
    // The next call works.
    QCOMPARE(run("public/version/client", {}).replies.size(), 1);
}

void tst_RestClient::transportFailuresAreMinusFour()
{
    MessageCapture log;
    // The proxy refuses: nothing listens on its port any more.
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const int port = closed.serverPort();
    closed.close();
    Utils::Settings::instance()->setValue("proxy/port", port);
    QCOMPARE(run("public/roster", {}).errors, (QList<QPair<int, int>>{{-4, 0}}));
    QVERIFY(log.contains("HTTP error:"));

    net->useProxy();
    // A peer whose certificate does not verify never gets the password.
    FakeService rogue;
    rogue.setTls(TestCertificates::untrusted().server, TestCertificates::untrusted().serverKey);
    QVERIFY(rogue.start());
    net->proxy.map("rogue.quorvel.example", 443, QHostAddress::LocalHost, rogue.port());
    Utils::Settings::instance()->setValue("rest/host", "rogue.quorvel.example");
    Outcome outcome = run("public/sessions", {{"login", "a"}, {"password", "secret"}}, "POST");
    QCOMPARE(outcome.errors.value(0).first, -4);
    QVERIFY(log.contains("SSL errors:"));
    QVERIFY(rogue.requests().isEmpty());

    // The proxy credentials of the settings are sent; wrong ones fail.
    Utils::Settings::instance()->setValue("rest/host", "api.quorvel.example");
    FakeProxy guarded;
    QVERIFY(guarded.start());
    guarded.map("api.quorvel.example", 443, QHostAddress::LocalHost, net->service.port());
    guarded.requireCredentials("proxyuser", "proxy pass");
    Utils::Settings::instance()->setValue("proxy/port", int(guarded.port()));
    Utils::Settings::instance()->setValue("proxy/username", "proxyuser");
    Utils::Settings::instance()->setValue("proxy/password", "proxy pass");
    QCOMPARE(run("public/version/client", {}).replies.size(), 1);
    Utils::Settings::instance()->setValue("proxy/password", "wrong");
    QCOMPARE(run("public/version/client", {}).errors.value(0).first, -4);
    QVERIFY(log.absent("proxy pass") && log.absent("secret"));
}

// A handshake's errors each have their line up to a hundred; one more line counts the rest.
void tst_RestClient::eachCertificateErrorIsLogged()
{
    for (int count : {50, 300}) {
        QList<QSslError> errors;
        for (int i = 0; i < count; ++i)
            errors << QSslError(i % 2 ? QSslError::CertificateExpired : QSslError::SelfSignedCertificate);
        RestClient client;
        TestSupport::MessageCapture log;
        QVERIFY(QMetaObject::invokeMethod(&client, "onSslErrors", Q_ARG(QList<QSslError>, errors)));
        QCOMPARE(log.messages().value(0), QString("SSL errors:"));
        for (const QSslError& error : {errors[0], errors[1]})
            QCOMPARE(log.count('"' + error.errorString() + '"'), qMin(count, 100) / 2);
        const QStringList summary =
            count > 100 ? QStringList(QString::fromUtf8("\u2026 and %1 more SSL errors").arg(count - 100))
                        : QStringList();
        QCOMPARE(log.messages().filter("more SSL errors"), summary);
        QCOMPARE(log.messages().size(), 1 + qMin(count, 100) + int(summary.size()));
    }
}

void tst_RestClient::redirectsAreFollowed()
{
    FakeService moved(nullptr, "9");
    moved.setTls(TestCertificates::trusted().server, TestCertificates::trusted().serverKey);
    QVERIFY(moved.start());
    net->proxy.map("moved.quorvel.example", 443, QHostAddress::LocalHost, moved.port());
    FakeHttpServer plain;
    QVERIFY(plain.start());
    net->proxy.map("plain.quorvel.example", 8080, QHostAddress::LocalHost, plain.port());

    // An https Location without a port: TLS on 443, the POST re-sent without its body and form header.
    net->service.enqueueReply(PeerReply::redirect(302, "https://moved.quorvel.example/9/public/version/client?x=1"));
    Outcome outcome = run("public/sessions", {{"login", "a"}, {"password", "b"}}, "POST");
    QCOMPARE(outcome.replies.size(), 1);
    PeerRequest request = moved.lastRequest();
    QVERIFY(request.tls);
    QCOMPARE(request.requestLine, QByteArray("POST /9/public/version/client?x=1 HTTP/1.1"));
    QVERIFY(request.body.isEmpty() && request.header("Content-Type").isEmpty());
    QCOMPARE(request.header("Host"), QByteArray("moved.quorvel.example:443"));
    QCOMPARE(net->proxy.entries().last().requestLine, QByteArray("CONNECT moved.quorvel.example:443 HTTP/1.1"));

    // A Location without a host is resolved against the request it answers; an empty path goes as "/".
    net->service.enqueueReply(PeerReply::redirect(301, "../public/version/client"));
    outcome = run("public/roster", {{"sessionId", "s"}});
    QCOMPARE(outcome.replies.size(), 1);
    QCOMPARE(net->service.requests().size(), 3);
    QCOMPARE(net->service.lastRequest().requestLine, QByteArray("GET /3.1/public/version/client HTTP/1.1"));
    QCOMPARE(net->service.lastRequest().header("Host"), QByteArray("api.quorvel.example:443"));

    // A plain http Location is followed over plain HTTP to its port.
    plain.setFixedReply(PeerReply::json("{\"success\":true,\"response\":\"plain\"}"));
    net->service.enqueueReply(PeerReply::redirect(302, "http://plain.quorvel.example:8080"));
    outcome = run("public/version/client", {});
    QCOMPARE(outcome.replies, QList<QVariant>{QVariant("plain")});
    QCOMPARE(plain.lastRequest().requestLine, QByteArray("GET / HTTP/1.1"));
    QVERIFY(!plain.lastRequest().tls);
    QCOMPARE(plain.lastRequest().header("Host"), QByteArray("plain.quorvel.example:8080"));
}

void tst_RestClient::errorTextsInBothLanguages()
{
    QCOMPARE(RestClient::errorString(-1), "Quorvel reports about unknown service error. Please update Quorvel Client");
    for (int code : {0, 10007, 10017, -5})
        QCOMPARE(RestClient::errorString(code), "Unknown error");

    const QList<int> codes{-4, -3, -2, -1, 1, 10000, 10001, 10002, 10003, 10004, 10005, 10006, 10016};
    QStringList english;
    for (int code : codes)
        english << RestClient::errorString(code);
    QuorvelClient::Application::loadLanguage("ru");
    for (int i = 0; i < codes.size(); ++i) {
        const QString russian = RestClient::errorString(codes.at(i));
        QVERIFY2(russian != english.at(i) && !russian.contains("%1"), qPrintable(russian));
        QVERIFY2(russian.contains(QRegularExpression("[А-Яа-я]")), qPrintable(russian));
    }
    QuorvelClient::Application::loadLanguage("en");
}

void tst_RestClient::pathAndQueryDropsSchemeAndHost()
{
    QCOMPARE(Utils::pathAndQuery(QUrl("https://h.example:8443/a%20b/c?x=1&y=%2F#frag")),
             QByteArray("/a%20b/c?x=1&y=%2F#frag"));
    QCOMPARE(Utils::pathAndQuery(QUrl("http://user:pw@h.example/p")), QByteArray("/p"));
    QCOMPARE(Utils::pathAndQuery(QUrl("http://h.example")), QByteArray());
    QCOMPARE(Utils::pathAndQuery(QUrl("http://h.example/é?q=ü")), QByteArray("/%C3%A9?q=%C3%BC"));
}

QUORVEL_TEST_MAIN(tst_RestClient)
#include "tst_RestClient.moc"
