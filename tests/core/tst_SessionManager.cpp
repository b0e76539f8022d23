#include "core/SessionManager.h"
#include "peer/FakeNetwork.h"
#include "support/MessageCapture.h"
#include "support/ObjectCensus.h"
#include "support/TestEnvironment.h"
#include "utils/Settings.h"

#include <QPointer>
#include <QSignalSpy>

using QuorvelClient::Core::SessionManager;
using namespace TestSupport;

class tst_SessionManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void localOnlySessionMakesNoConnection();
    void signInAndPartnerInfo();
    void refusedSignInCanBeRetried();
    void createCutsOffTheOldManager();
    void createFromTheOldManagersOwnSlot();

private:
    FakeNetwork* net = nullptr;
};

void tst_SessionManager::initTestCase()
{
    QCoreApplication::setApplicationVersion("5.6.0 Build 232");
    net = new FakeNetwork(this);
    QVERIFY(net->start());
    net->service.addAccount("user@example.com", "pa ss");
    net->useProxy();
}

void tst_SessionManager::init()
{
    net->service.clearRequests();
    net->service.clearScript();
    net->proxy.clearEntries();
}

void tst_SessionManager::localOnlySessionMakesNoConnection()
{
    TestSupport::ObjectCensus census;
    SessionManager::create(QString(), QString());
    SessionManager* manager = SessionManager::instance();
    QCOMPARE(manager->sessionId(), "localview");
    QCOMPARE(census.alive("QuorvelClient::Core::RestClient"), 0);

    // A login without a password is an ordinary manager without a session.
    SessionManager::create("user@example.com", QString());
    QVERIFY(SessionManager::instance()->sessionId().isEmpty());
}

void tst_SessionManager::signInAndPartnerInfo()
{
    TestSupport::MessageCapture log;
    TestSupport::ObjectCensus census;
    SessionManager::create("user@example.com", "pa ss");
    SessionManager* manager = SessionManager::instance();
    QSignalSpy sessions(manager, &SessionManager::newSessionId);
    QSignalSpy errors(manager, &SessionManager::error);
    manager->requestSessionId();
    manager->requestSessionId();
    QVERIFY(sessions.wait(20000));
    QCOMPARE(net->service.requests().size(), 1);

    const PeerRequest request = net->service.lastRequest();
    QCOMPARE(request.requestLine, QByteArray("POST /3.1/public/sessions HTTP/1.1"));
    QCOMPARE(
        request.body,
        QByteArray("clientType=windows&clientVersion=5.6.0%20Build%20232&login=user%40example.com&password=pa%20ss"));

    const QString session = net->service.sessions().last();
    QCOMPARE(manager->sessionId(), session);
    QCOMPARE(manager->partnerQuery(), "&partner=42");
    QVERIFY(log.contains("user_id 7"));
    QVERIFY(log.contains("partner_.id received \"42\""));
    // Neither the session nor the password reaches the log.
    QVERIFY(log.absent(session) && log.absent("pa ss"));
    // The client that carried the request is released.
    QTRY_COMPARE(census.alive("QuorvelClient::Core::RestClient"), 0);

    // The partner info is asked once at a time; a failure only logs.
    manager->requestPartnerInfo();
    manager->requestPartnerInfo();
    QTRY_VERIFY_WITH_TIMEOUT(!manager->loginUri().isEmpty(), 20000);
    QCOMPARE(manager->loginUri(), "https://partner.quorvel.example/login");
    QCOMPARE(net->service.requests().size(), 2);
    QCOMPARE(net->service.lastRequest().requestLine, QByteArray("GET /3.1/public/partners/info?partnerId=42 HTTP/1.1"));
    QVERIFY(log.contains("Partber info received"));
    QVERIFY(log.contains("partner info received \"42\" \"Quorvel Partner\" \"https://partner.quorvel.example/login\""));
    net->service.enqueueReply(FakeService::failure(10004));
    manager->requestPartnerInfo();
    QTRY_VERIFY_WITH_TIMEOUT(log.contains("Partber info request error: 10004"), 20000);
    QCOMPARE(sessions.size() + errors.size(), 1);

    // Holding a session does not stop a new request.
    manager->requestSessionId();
    QVERIFY(sessions.wait(20000));
    QCOMPARE(net->service.requests().size(), 4);
}

void tst_SessionManager::refusedSignInCanBeRetried()
{
    SessionManager::create("user@example.com", "wrong");
    SessionManager* manager = SessionManager::instance();
    QSignalSpy sessions(manager, &SessionManager::newSessionId);
    QSignalSpy errors(manager, &SessionManager::error);
    manager->requestSessionId();
    QVERIFY(errors.wait(20000));
    QCOMPARE(errors.first().first().toInt(), 10001);

    QCOMPARE(sessions.size(), 0);

    // A refused sign-in can be tried again; an answer without a session or a partner leaves both empty.
    net->service.enqueueReply(FakeService::envelope(QVariantMap{{"partner_id", ""}, {"user_id", 3}}));
    manager->requestSessionId();
    QVERIFY(sessions.wait(20000));
    QVERIFY(manager->sessionId().isEmpty() && manager->partnerQuery().isEmpty());
    QCOMPARE(net->service.requests().size(), 2);
}

void tst_SessionManager::createCutsOffTheOldManager()
{
    TestSupport::ObjectCensus census;
    net->service.setFixedReply(PeerReply::withBehaviour(PeerReply::NeverAnswer));
    SessionManager::create("user@example.com", "pa ss");
    QPointer<SessionManager> old = SessionManager::instance();
    QSignalSpy oldSessions(old.data(), &SessionManager::newSessionId);
    QSignalSpy oldErrors(old.data(), &SessionManager::error);
    old->requestSessionId();
    QTRY_COMPARE_WITH_TIMEOUT(net->service.requests().size(), 1, 20000);
    QCOMPARE(census.alive("QuorvelClient::Core::RestClient"), 1);

    SessionManager::create("user@example.com", "pa ss");
    QVERIFY(SessionManager::instance() != old);
    QTRY_VERIFY(old.isNull());
    QTRY_COMPARE(census.alive("QuorvelClient::Core::RestClient"), 0);
    QCOMPARE(oldSessions.size() + oldErrors.size(), 0);
}

void tst_SessionManager::createFromTheOldManagersOwnSlot()
{
    SessionManager::create("user@example.com", "wrong");
    QPointer<SessionManager> old = SessionManager::instance();
    int calls = 0;
    connect(old.data(), &SessionManager::error, this, [&calls](int) {
        ++calls;
        // The sign-in dialog may start over from its failure slot.
        SessionManager::create("user@example.com", "pa ss");
        SessionManager::instance()->requestSessionId();
    });
    old->requestSessionId();
    QTRY_VERIFY_WITH_TIMEOUT(calls == 1 && SessionManager::instance() != old, 20000);
    QTRY_VERIFY(old.isNull());
    QTRY_VERIFY_WITH_TIMEOUT(!SessionManager::instance()->sessionId().isEmpty(), 20000);
    QCOMPARE(calls, 1);
}

QUORVEL_TEST_MAIN(tst_SessionManager)
#include "tst_SessionManager.moc"
