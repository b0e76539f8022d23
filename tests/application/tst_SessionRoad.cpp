#include "peer/FakePeerSet.h"
#include "support/ClientRun.h"
#include "support/TestEnvironment.h"
#include "support/VirtualScreen.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QStorageInfo>

using TestSupport::ClientRun;
using TestSupport::FakePeerSet;
using TestSupport::PeerRequest;

namespace {

const QString email = QStringLiteral("user@quorvel.example");
const QString password = QStringLiteral("right");
const QString mainTitle = QStringLiteral("^Quorvel Client$");
const QString dialogTitle = QStringLiteral("^Log in$");
// A client may start slowly under a sanitizer beside the heaviest tests: what it does first is given this long.
const int kStartMs = 60000;

// The sysfs flag that tells whether the block device behind a folder is removable, as the client reads it; empty
// when the folder is not on a block device.
QString removableFlagOf(const QString& folder)
{
    const QByteArray device = QStorageInfo(folder).device();
    if (!device.startsWith("/dev/"))
        return QString();
    const QString sys = QStringLiteral("/sys/class/block/") +
                        QFileInfo(QFileInfo(QString::fromLocal8Bit(device)).canonicalFilePath()).fileName();
    for (const QString& flag : {sys + QStringLiteral("/removable"), sys + QStringLiteral("/../removable")}) {
        if (QFile::exists(flag))
            return QFileInfo(flag).canonicalFilePath();
    }
    return QString();
}

bool hasPixelsOtherThan(const QImage& image, const QRect& area, QRgb background)
{
    for (int y = area.top(); y <= area.bottom(); y += 2) {
        for (int x = area.left(); x <= area.right(); x += 2) {
            if (image.valid(x, y) && image.pixel(x, y) != background)
                return true;
        }
    }
    return false;
}

// What a failed wait reports: whether the client runs, the shown windows and the end of its log.
QByteArray stateOf(const ClientRun& run, const TestSupport::VirtualScreen& screen)
{
    const QString log = run.log();
    QProcess* process = run.process();
    QString state = QStringLiteral("not started");
    if (process && run.isRunning())
        state = QStringLiteral("running");
    else if (process)
        state = QStringLiteral("ended with %1 (%2; %3)")
                    .arg(process->exitCode())
                    .arg(process->exitStatus() == QProcess::NormalExit ? "normal exit" : "crash")
                    .arg(process->errorString());
    const QString output = process ? QString::fromLocal8Bit(process->readAll()).right(4000) : QString();
    return QStringLiteral("client %1; windows: [%2]; log ends:\n%3\noutput ends:\n%4")
        .arg(state, screen.titles().join(QStringLiteral(", ")), log.right(4000), output)
        .toLocal8Bit();
}

} // namespace

// The real program on an X server of its own, trusting the fake service's CA inside a private namespace, against
// the fake service, streaming server and a local video server, all reached through the fake proxy.
class tst_SessionRoad : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void localOnlyStartOpensTheWindow();
    void rememberedAccountSignsInAfterCountdown();
    void forcedSignOutComesBackToTheDialog_data();
    void forcedSignOutComesBackToTheDialog();
    void removableDriveKeepsNoPassword();
    void unreachableServiceLeavesTheDialogIdle();

private:
    // One client run with an INI that leads it through the proxy, and the local server list.
    std::unique_ptr<ClientRun> prepare(const QString& name, const QString& auth);

    TestSupport::VirtualScreen screen;
    FakePeerSet peers;
    TestSupport::FakeVideoServer* local = nullptr;
};

void tst_SessionRoad::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("Xvfb or xdotool is missing (scripts/setup installs them)");
    QVERIFY2(screen.start(), "Xvfb does not start");
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("LD_PRELOAD"));
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral("unshare"), {"--user", "--map-root-user", "--mount", "true"});
    if (!probe.waitForFinished(10000) || probe.exitCode() != 0)
        QSKIP("user namespaces are not allowed here: the client cannot be made to trust the test CA");

    QVERIFY(peers.start());
    peers.service.addAccount(email, password);
    // Two servers with five cameras between them.
    QVariantMap roster = TestSupport::FakeService::generatedRoster(2, 3);
    QVariantMap second = roster.value(QStringLiteral("srv-001")).toMap();
    QVariantMap cameras = second.value(QStringLiteral("cameras")).toMap();
    cameras.remove(QStringLiteral("003"));
    second.insert(QStringLiteral("cameras"), cameras);
    roster.insert(QStringLiteral("srv-001"), second);
    peers.service.setRoster(roster);
    local = peers.addLocal(QStringLiteral("lab"), {{1, QStringLiteral("Bench"), 1, QStringLiteral("h264"), 640, 480}});
    QVERIFY(local);
}

void tst_SessionRoad::init()
{
    peers.service.clearRequests();
    peers.service.clearScript();
    peers.service.setRosterFailure(0);
    peers.service.setRosterHeld(false);
    peers.streamer.clearRequests();
    local->clearRequests();
}

std::unique_ptr<ClientRun> tst_SessionRoad::prepare(const QString& name, const QString& auth)
{
    auto run = std::make_unique<ClientRun>(name);
    run->setDisplay(screen.display());
    run->setWrapper(peers.caWrapper());
    ClientRun::writeFile(run->iniPath(), QStringLiteral("[auth]\n%1\n[proxy]\nuseProxy=true\nhost=127.0.0.1\nport=%2\n")
                                             .arg(auth)
                                             .arg(peers.proxy.port())
                                             .toUtf8());
    const QJsonObject lab{{"ip", "127.0.0.1"}, {"name", "Lab"}, {"password", "lab"}, {"port", local->port()}};
    ClientRun::writeFile(run->workDir() + QStringLiteral("/local_roster.txt"), QJsonDocument(QJsonArray{lab}).toJson());
    return run;
}

void tst_SessionRoad::localOnlyStartOpensTheWindow()
{
    auto run = prepare(QStringLiteral("local"), QStringLiteral("saveAuth=true\nlocalOnly=true"));
    run->start();
    if (!screen.waitForWindow(mainTitle, true, kStartMs))
        QFAIL(stateOf(*run, screen).constData());
    QVERIFY(screen.windows(dialogTitle).isEmpty());
    QVERIFY(run->logTime(QStringLiteral("Start for local service")) - run->logTime(QStringLiteral("Drive type:")) >=
            2000);
    QTRY_VERIFY_WITH_TIMEOUT(local->requestCount("/streams/info") && local->requestCount("/vs_info/"), 20000);
    QCOMPARE(peers.service.requestCount("/public/sessions"), 0);
    QCOMPARE(peers.service.requestCount("/public/roster"), 0);

    // The window shows something: a grab of the screen has more than the background inside it.
    const QString window = screen.windows(mainTitle).value(0);
    const QRect area = screen.geometry(window);
    QVERIFY(area.width() > 100 && area.height() > 100);
    QImage grab;
    QTRY_VERIFY_WITH_TIMEOUT(!(grab = screen.grab()).isNull() &&
                                 hasPixelsOtherThan(grab, area, grab.pixel(grab.width() - 1, grab.height() - 1)),
                             20000);
}

void tst_SessionRoad::rememberedAccountSignsInAfterCountdown()
{
    auto run = prepare(QStringLiteral("account"),
                       QStringLiteral("email=%1\npassword=%2\nsaveAuth=true\nlocalOnly=false").arg(email, password));
    run->start();
    if (!QTest::qWaitFor([&] { return peers.service.requestCount("/public/sessions") > 0; }, kStartMs))
        QFAIL(stateOf(*run, screen).constData());
    const qint64 countdown = run->logTime(QStringLiteral("Start for internet and local service")) -
                             run->logTime(QStringLiteral("Drive type:"));
    QVERIFY2(countdown >= 2000, qPrintable(QString::number(countdown)));
    const PeerRequest signIn = peers.service.lastRequest("/public/sessions");
    QCOMPARE(signIn.method, QByteArray("POST"));
    QCOMPARE(signIn.formItem(QStringLiteral("login")), email);
    QCOMPARE(signIn.formItem(QStringLiteral("password")), password);

    // The account's servers, then previews of the camera rows shown.
    QTRY_VERIFY_WITH_TIMEOUT(peers.service.requestCount("/public/roster"), 20000);
    QVERIFY(peers.service.lastRequest("/public/roster").query.startsWith("sessionId="));
    QTRY_VERIFY_WITH_TIMEOUT(peers.streamer.requestCount("/preview/live"), 20000);
    QVERIFY(screen.waitForWindow(mainTitle));

    // The countdown's sign-in stores nothing.
    QSettings ini(run->iniPath(), QSettings::IniFormat);
    QCOMPARE(ini.value(QStringLiteral("auth/email")).toString(), email);
    QCOMPARE(ini.value(QStringLiteral("auth/password")).toString(), password);
    QCOMPARE(ini.value(QStringLiteral("auth/saveAuth")).toString(), QStringLiteral("true"));
    QCOMPARE(ini.value(QStringLiteral("auth/localOnly")).toString(), QStringLiteral("false"));
}

void tst_SessionRoad::forcedSignOutComesBackToTheDialog_data()
{
    QTest::addColumn<int>("code");
    QTest::newRow("signed in elsewhere") << 10017;
    QTest::newRow("rejected session") << 10002;
}

void tst_SessionRoad::forcedSignOutComesBackToTheDialog()
{
    QFETCH(int, code);
    auto run = prepare(QStringLiteral("signout-%1").arg(code),
                       QStringLiteral("email=%1\npassword=%2\nsaveAuth=true\nlocalOnly=false").arg(email, password));
    // The account's servers are held back until the window is seen, then refused.
    peers.service.setRosterHeld(true);
    run->start();
    if (!screen.waitForWindow(mainTitle, true, kStartMs))
        QFAIL(stateOf(*run, screen).constData());
    QTRY_VERIFY_WITH_TIMEOUT(peers.service.requestCount("/public/roster"), 20000);
    peers.service.setRosterFailure(code);
    peers.service.releaseHeldRosters();
    peers.service.setRosterHeld(false);

    QVERIFY(screen.waitForWindow(QStringLiteral("^Sign-Out Notice$")));
    QVERIFY(screen.waitForWindow(mainTitle, false));
    QVERIFY(!screen.windows(dialogTitle).isEmpty());
    QVERIFY(run->isRunning());
    QSettings ini(run->iniPath(), QSettings::IniFormat);
    for (const char* key : {"mainWindow/geometry", "roster/geometry", "playbackWindow/geometry"})
        QVERIFY2(!ini.value(QLatin1String(key)).toByteArray().isEmpty(), key);

    // OK on the notice, then "Sign in" with the password the dialog kept.
    peers.service.setRosterFailure(0);
    screen.key(screen.windows(QStringLiteral("^Sign-Out Notice$")).value(0), QStringLiteral("Return"));
    QVERIFY(screen.waitForWindow(QStringLiteral("^Sign-Out Notice$"), false));
    QVERIFY(run->isRunning());
    screen.key(screen.windows(dialogTitle).value(0), QStringLiteral("Return"));
    QTRY_COMPARE_WITH_TIMEOUT(peers.service.requestCount("/public/sessions"), 2, 20000);
    QCOMPARE(peers.service.lastRequest("/public/sessions").formItem(QStringLiteral("password")), password);
    QVERIFY(screen.waitForWindow(mainTitle));
    QVERIFY(screen.windows(dialogTitle).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(peers.service.requestCount("/public/roster"), 2, 20000);
    // The main window was made once: its constructor is what asks for the client version.
    QCOMPARE(peers.service.requestCount("/public/version/client"), 1);
    QCOMPARE(run->log().count(QStringLiteral("Sign out:")), 1);
}

void tst_SessionRoad::removableDriveKeepsNoPassword()
{
    auto run = prepare(QStringLiteral("removable"),
                       QStringLiteral("email=%1\npassword=%2\nsaveAuth=true\nlocalOnly=false").arg(email, password));
    const QString flag = removableFlagOf(run->workDir());
    if (flag.isEmpty())
        QSKIP("the working folder is not on a block device, so no removable flag can be set for it");
    run->setWrapper(peers.caWrapper({QStringLiteral("--removable-flag"), flag}));
    run->start();
    if (!run->waitForLog(QStringLiteral("Drive type: 2"), kStartMs))
        QFAIL(stateOf(*run, screen).constData());
    QVERIFY(screen.waitForWindow(dialogTitle));
    // The wiped password is off the drive.
    const auto stored = [&](const char* key) {
        return QSettings(run->iniPath(), QSettings::IniFormat).value(QLatin1String(key)).toString();
    };
    QTRY_COMPARE_WITH_TIMEOUT(stored("auth/password"), QString(), 20000);
    QCOMPARE(stored("auth/saveAuth"), QStringLiteral("true"));
    // Past the moment a countdown would have signed in.
    const qint64 due = run->logTime(QStringLiteral("Drive type:")) + 3000;
    while (QDateTime::currentMSecsSinceEpoch() < due)
        QTest::qWait(100);
    QCOMPARE(peers.service.requestCount("/public/sessions"), 0);
    QVERIFY(!run->log().contains(QStringLiteral("Start for")));
}

void tst_SessionRoad::unreachableServiceLeavesTheDialogIdle()
{
    peers.service.setFixedReply(TestSupport::PeerReply::withBehaviour(TestSupport::PeerReply::Reset));
    auto run = prepare(QStringLiteral("down"),
                       QStringLiteral("email=%1\npassword=%2\nsaveAuth=true\nlocalOnly=false").arg(email, password));
    run->start();
    if (!screen.waitForWindow(QStringLiteral("^Could not sign in$"), true, kStartMs))
        QFAIL(stateOf(*run, screen).constData());
    // "Close this window" is the default.
    screen.key(screen.windows(QStringLiteral("^Could not sign in$")).value(0), QStringLiteral("Return"));
    if (!screen.waitForWindow(QStringLiteral("^Could not sign in$"), false) || screen.windows(dialogTitle).isEmpty())
        QFAIL(stateOf(*run, screen).constData());
    QVERIFY(screen.windows(mainTitle).isEmpty());
    QTest::qWait(500);
    if (!run->isRunning())
        QFAIL(stateOf(*run, screen).constData());

    // Idle: with no countdown and no request pending, "Close" ends the program.
    screen.key(screen.windows(dialogTitle).value(0), QStringLiteral("Escape"));
    QTRY_VERIFY_WITH_TIMEOUT(!run->isRunning(), 20000);
    QCOMPARE(run->process()->exitStatus(), QProcess::NormalExit);
    QCOMPARE(run->process()->exitCode(), 0);
    peers.service.clearScript();
}

QUORVEL_TEST_MAIN(tst_SessionRoad)
#include "tst_SessionRoad.moc"
