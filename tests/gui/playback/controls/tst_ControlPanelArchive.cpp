#include "core/SessionManager.h"
#include "gui/playback/BarLook.h"
#include "gui/playback/CalendarCells.h"
#include "gui/playback/PaintedTexts.h"
#include "gui/playback/ZoneRun.h"
#include "gui/playback/controls/ControlPanel.h"
#include "gui/playback/widgets/Timeline.h"
#include "peer/FakeNetwork.h"
#include "peer/FakeVideoServer.h"
#include "support/MessageCapture.h"
#include "support/ObjectCensus.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"
#include "utils/Intervals.h"
#include "utils/SettingsKeys.h"

#include <QTimer>

using namespace QuorvelClient;
using namespace TestSupport;
using GUI::ControlPanel;

namespace {

// The day on which Central Europe moves its clocks forward: 23 hours long there.
const QDate kDay(2024, 3, 31);
const QString kPassword = QStringLiteral("p@ss w/rd");
const QByteArray kClient = "QuorvelClient::Core::StreamerClient";

QDateTime at(const char* time, int days = 0)
{
    return QDateTime(kDay.addDays(days), QTime::fromString(QLatin1String(time)));
}

FakeRecord record(const QDateTime& start, int minutes, int type = 1)
{
    return {1, 100, start.toMSecsSinceEpoch(), minutes * 60000LL, type};
}

QString secs(const QDateTime& time)
{
    return QString::number(time.toSecsSinceEpoch());
}

// The archive notes the timeline shows now, without its scale.
QString notes(GUI::Timeline* timeline)
{
    return paintedTexts(timeline).filter(QStringLiteral("archive")).join('\n');
}

} // namespace

class tst_ControlPanelArchive : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void openingAsksTheShownDay_data();
    void openingAsksTheShownDay();
    void pickedDayShowsItsRecords_data();
    void pickedDayShowsItsRecords();
    void staleReplyIsDropped();
    void failures_data();
    void failures();
    void retryNotes();
    void daysMarkedPerCamera();
    void archiveLimit();
    void refreshKeepsBars();
    void closedCameraLeavesNothing();
    void calendarPages_data();
    void calendarPages();
    QUORVEL_ZONE_RERUNS

private:
    Core::CameraPtr localCamera(int id) const;
    Core::CameraPtr accountCamera(int id) const;
    // A shown panel on kDay (or another day) with the camera open and its first requests answered.
    std::unique_ptr<ControlPanel> openPanel(const QList<Core::CameraPtr>& cameras, const QDate& day = kDay);
    QList<PeerRequest> requests(FakeVideoServer* peer, const char* command) const;
    GUI::Timeline* timeline(ControlPanel* panel) const { return panel->findChild<GUI::Timeline*>(); }
    GUI::ArchivePanel* archivePanel(ControlPanel* panel) const { return panel->findChild<GUI::ArchivePanel*>(); }

    FakeNetwork* m_net = nullptr;
    FakeVideoServer* m_local = nullptr;
    FakeVideoServer* m_streamer = nullptr;
    QString m_session;
};

Core::CameraPtr tst_ControlPanelArchive::localCamera(int id) const
{
    Core::CameraPtr camera = TestSupport::localCamera(id, QStringLiteral("127.0.0.1:%1").arg(m_local->port()));
    camera->setPassword(kPassword);
    return camera;
}

Core::CameraPtr tst_ControlPanelArchive::accountCamera(int id) const
{
    return std::make_shared<Core::Camera>(id, QStringLiteral("Hall"), QStringLiteral("S1"), 1, QStringLiteral("Main"),
                                          true, true, true, QSize(640, 480), QStringLiteral("h264"),
                                          Core::Camera::CameraFlags(), QString());
}

void tst_ControlPanelArchive::initTestCase()
{
    m_net = new FakeNetwork(this);
    QVERIFY(m_net->start());
    m_net->service.addAccount(QStringLiteral("user@example.com"), QStringLiteral("pw"));
    m_net->useProxy();
    Core::SessionManager::create(QStringLiteral("user@example.com"), QStringLiteral("pw"));
    QSignalSpy sessions(Core::SessionManager::instance(), &Core::SessionManager::newSessionId);
    Core::SessionManager::instance()->requestSessionId();
    QVERIFY(sessions.wait(20000));
    m_session = Core::SessionManager::instance()->sessionId();
    Utils::Keys::proxyUseProxy().setValue(false);

    m_local = new FakeVideoServer(this);
    m_local->setPassword(kPassword);
    m_local->setCameras({{3, "Door"}, {4, "Gate"}});
    QVERIFY(m_local->start());
    m_streamer = new FakeVideoServer(this, "v1");
    m_streamer->setSessionCheck([this](const QString& id) { return m_net->service.sessions().contains(id); });
    QVERIFY(m_streamer->start());
    Utils::Keys::streamerHost().setValue(QStringLiteral("127.0.0.1"));
    Utils::Keys::streamerPort().setValue(m_streamer->port());
    Utils::Keys::streamerVersion().setValue(QStringLiteral("v1"));
}

void tst_ControlPanelArchive::init()
{
    for (FakeVideoServer* peer : {m_local, m_streamer}) {
        peer->releaseHeld();
        peer->holdReplies(QStringLiteral("archive/list"), false);
        peer->holdReplies(QStringLiteral("archive/days"), false);
        peer->clearFailures();
        // A record crossing into the day, one of type 2, and one two days earlier.
        for (int camera : {3, 4})
            peer->setRecords(camera, {record(at("23:30:00", -1), 60), record(at("10:00:00"), 60, 2),
                                      record(at("12:00:00", -2), 10)});
        peer->clearRequests();
    }
    Utils::Keys::coloredArchive().remove();
}

std::unique_ptr<ControlPanel> tst_ControlPanelArchive::openPanel(const QList<Core::CameraPtr>& cameras,
                                                                 const QDate& day)
{
    auto panel = std::make_unique<ControlPanel>();
    panel->resize(1200, 100);
    panel->show();
    archivePanel(panel.get())->setCurrentDate(day);
    for (const Core::CameraPtr& camera : cameras) {
        panel->addCamera(camera);
        panel->setActiveCamera(camera->globalId());
    }
    return panel;
}

QList<PeerRequest> tst_ControlPanelArchive::requests(FakeVideoServer* peer, const char* command) const
{
    QList<PeerRequest> found;
    for (const PeerRequest& request : peer->requests()) {
        if (request.path == peer->commandPath(QLatin1String(command)))
            found << request;
    }
    return found;
}

void tst_ControlPanelArchive::openingAsksTheShownDay_data()
{
    QTest::addColumn<bool>("local");
    QTest::newRow("local server") << true;
    QTest::newRow("account server") << false;
}

void tst_ControlPanelArchive::openingAsksTheShownDay()
{
    QFETCH(bool, local);
    FakeVideoServer* peer = local ? m_local : m_streamer;
    const QDateTime before = QDateTime::currentDateTime();
    auto panel = openPanel({local ? localCamera(3) : accountCamera(3)}, QDate::currentDate());
    QTRY_COMPARE(peer->requests().size(), 2);
    QTest::qWait(300);
    QCOMPARE(peer->requests().size(), 2);

    const QString host = QStringLiteral("127.0.0.1:%1").arg(peer->port());
    const QString server =
        (local ? host : QStringLiteral("S1")) + "&sessionId=" + (local ? "p%40ss%20w%2Frd" : m_session);
    const QDate today = QDate::currentDate();
    for (const char* command : {"archive/list", "archive/days"}) {
        const QList<PeerRequest> sent = requests(peer, command);
        QCOMPARE(sent.size(), 1);
        const PeerRequest& request = sent.first();
        const qint64 end = request.queryItem(QStringLiteral("endTime")).toLongLong();
        QVERIFY(end >= before.toSecsSinceEpoch() && end <= QDateTime::currentSecsSinceEpoch());
        const QDateTime start = QByteArray(command) == "archive/list"
                                    ? today.startOfDay()
                                    : QDate(today.year(), today.month(), 1).addMonths(-1).startOfDay();
        QCOMPARE(QString::fromLatin1(request.target), peer->commandPath(command) +
                                                          "?camera=3&endTime=" + QString::number(end) +
                                                          "&server=" + server + "&startTime=" + secs(start));
        QCOMPARE(request.headers, RawHeaders({{"Accept", "*/*"}, {"Host", host.toLatin1()}}));
    }
    auto* timer = panel->findChild<QTimer*>(QStringLiteral("timelineTimer"));
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 120000);
    panel->removeAllCameras();
    QVERIFY(!timer->isActive());
}

void tst_ControlPanelArchive::pickedDayShowsItsRecords_data()
{
    QTest::addColumn<bool>("colored");
    QTest::addColumn<QString>("typeTwo");
    QTest::newRow("one colour") << false << "blue";
    QTest::newRow("coloured") << true << "green";
}

void tst_ControlPanelArchive::pickedDayShowsItsRecords()
{
    QFETCH(bool, colored);
    QFETCH(QString, typeTwo);
    Utils::Keys::coloredArchive().setValue(colored);
    auto panel = openPanel({localCamera(3), localCamera(4)}, kDay.addDays(-20));
    QTRY_COMPARE(m_local->requests().size(), 4);
    m_local->clearRequests();

    // Another day of the same month: records of each camera, no days.
    archivePanel(panel.get())->setCurrentDate(kDay);
    QTRY_COMPARE(m_local->requests().size(), 2);
    QTest::qWait(300);
    QCOMPARE(requests(m_local, "archive/list").size(), 2);
    for (const PeerRequest& request : m_local->requests()) {
        QCOMPARE(request.queryItem("startTime"), secs(kDay.startOfDay()));
        QCOMPARE(request.queryItem("endTime"), secs(at("23:59:59")));
    }
    GUI::Timeline* line = timeline(panel.get());
    QTRY_COMPARE(barLook(line, at("10:30:00")), typeTwo);
    // The record from the evening before is drawn from midnight on; the one two days earlier not at all.
    QCOMPARE(barLook(line, at("00:00:30")), QStringLiteral("blue"));
    QCOMPARE(barLook(line, at("00:31:00")), QStringLiteral("none"));
}

void tst_ControlPanelArchive::staleReplyIsDropped()
{
    m_local->setRecords(3, {record(at("15:00:00", -1), 60), record(at("10:00:00"), 60)});
    m_local->holdReplies(QStringLiteral("archive/list"));
    auto panel = openPanel({localCamera(3)}, kDay.addDays(-1));
    QTRY_COMPARE(m_local->heldCount(), 1);
    archivePanel(panel.get())->setCurrentDate(kDay);
    QTRY_COMPARE(m_local->heldCount(), 2);

    MessageCapture log;
    m_local->releaseHeld();
    GUI::Timeline* line = timeline(panel.get());
    QTRY_COMPARE(barLook(line, at("10:30:00")), QStringLiteral("blue"));
    QTRY_COMPARE(log.count("Received not actual archive, currentDate: QDate(\"2024-03-31\")"), 1);
    QCOMPARE(barLook(line, at("15:30:00")), QStringLiteral("none"));
}

void tst_ControlPanelArchive::failures_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QList<int>>("statuses");
    QTest::addColumn<int>("sent");
    QTest::addColumn<bool>("relogin");
    QTest::addColumn<QString>("received");
    QTest::newRow("list fails thrice") << "archive/list" << QList<int>{500, 500, 500} << 3 << false << QString();
    QTest::newRow("list answers third") << "archive/list" << QList<int>{500, 500} << 3 << false << "blue";
    QTest::newRow("days fail thrice") << "archive/days" << QList<int>{500, 500, 500} << 3 << false << QString();
    QTest::newRow("days answer third") << "archive/days" << QList<int>{503, 500} << 3 << false << "received";
    QTest::newRow("list refused") << "archive/list" << QList<int>{409} << 1 << true << QString();
    QTest::newRow("days refused") << "archive/days" << QList<int>{409} << 1 << true << QString();
}

void tst_ControlPanelArchive::failures()
{
    QFETCH(QString, command);
    QFETCH(QList<int>, statuses);
    QFETCH(QString, received);
    for (int status : statuses)
        m_local->failNext(command, 1, PeerReply::json("{}", status));
    ObjectCensus census;
    MessageCapture log;
    auto panel = openPanel({localCamera(3)});
    QSignalSpy relogins(panel.get(), &ControlPanel::relogin);
    QFETCH(int, sent);
    QTRY_COMPARE(requests(m_local, command.toLatin1()).size(), sent);
    QTest::qWait(500);
    QCOMPARE(requests(m_local, command.toLatin1()).size(), sent);
    QTEST(!relogins.isEmpty(), "relogin");
    QCOMPARE(relogins.size() <= 1, true);
    if (command == "archive/list")
        QCOMPARE(barLook(timeline(panel.get()), at("10:30:00")), received.isEmpty() ? "none" : received);
    else
        QCOMPARE(log.contains("Days list received for camera:"), !received.isEmpty());
    // Days failures show nothing on the timeline.
    if (command == "archive/days")
        QTRY_VERIFY(notes(timeline(panel.get())).isEmpty());
    panel.reset();
    QTRY_COMPARE(census.alive(kClient), 0);
}

void tst_ControlPanelArchive::retryNotes()
{
    m_local->holdReplies(QStringLiteral("archive/list"));
    m_local->failNext(QStringLiteral("archive/list"), 3, PeerReply::json("{}", 500));
    auto panel = openPanel({localCamera(3)});
    GUI::Timeline* line = timeline(panel.get());
    const auto shows = [&](const QString& text) { return notes(line).contains(text); };
    for (const char* note : {"Loading archive...", "Loading archive, retry number 1 for camera Yard-Cam 3...",
                             "Loading archive, retry number 2 for camera Yard-Cam 3..."}) {
        QTRY_COMPARE(m_local->heldCount(), 1);
        QVERIFY2(shows(note), note);
        m_local->releaseHeld();
    }
    QTRY_VERIFY(shows("Error loading archive for camera Yard-Cam 3..."));
    QTRY_VERIFY_WITH_TIMEOUT(notes(line).isEmpty(), 3000);
    const QList<PeerRequest> sent = requests(m_local, "archive/list");
    QCOMPARE(sent.size(), 3);
    QCOMPARE(sent.at(1).target, sent.first().target);
    QCOMPARE(sent.at(2).target, sent.first().target);
}

void tst_ControlPanelArchive::daysMarkedPerCamera()
{
    auto panel = openPanel({localCamera(3)});
    GUI::CalendarWidget* calendar = openCalendar(archivePanel(panel.get()));
    QVERIFY(calendar);
    const QRect day = cellRect(calendar, 31);
    const QRect before = cellRect(calendar, 29, 1);
    const QRgb yellow = qRgb(255, 255, 0);
    QTRY_VERIFY(cellColours(calendar, day).contains(yellow));
    QVERIFY(cellColours(calendar, before).contains(yellow));
    QVERIFY(!cellColours(calendar, cellRect(calendar, 28, 1)).contains(yellow));
    panel->removeCamera(localCamera(3)->globalId());
    QVERIFY(!cellColours(calendar, day).contains(yellow));
    QVERIFY(!cellColours(calendar, before).contains(yellow));
}

void tst_ControlPanelArchive::archiveLimit()
{
    MessageCapture log;
    auto panel = openPanel({localCamera(4)});
    QTRY_VERIFY(log.contains("Days list received for camera:") &&
                barLook(timeline(panel.get()), at("10:30:00")) != "none");
    panel->setArchiveEnabled(false);
    auto* timer = panel->findChild<QTimer*>(QStringLiteral("timelineTimer"));
    QVERIFY(!timer->isActive());
    m_local->clearRequests();
    panel->addCamera(localCamera(3));
    QTest::qWait(300);
    QCOMPARE(m_local->requests().size(), 0);

    panel->setArchiveEnabled(true);
    QTRY_COMPARE(m_local->requests().size(), 2);
    QTest::qWait(300);
    QCOMPARE(m_local->requests().size(), 2);
    for (const PeerRequest& request : m_local->requests())
        QCOMPARE(request.queryItem("camera"), QStringLiteral("3"));
    QVERIFY(timer->isActive());
}

void tst_ControlPanelArchive::refreshKeepsBars()
{
    Utils::setIntervalForTesting(Utils::Interval::ArchiveRefresh, 300);
    auto panel = openPanel({localCamera(3), localCamera(4)});
    Utils::setIntervalForTesting(Utils::Interval::ArchiveRefresh, 0);
    GUI::Timeline* line = timeline(panel.get());
    QTRY_COMPARE(barLook(line, at("10:30:00")), QStringLiteral("blue"));
    m_local->holdReplies(QStringLiteral("archive/list"));
    m_local->clearRequests();
    // Each camera asks once more; a camera waiting for its answer is not asked again.
    QTRY_COMPARE(m_local->heldCount(), 2);
    QTest::qWait(700);
    QCOMPARE(m_local->heldCount(), 2);
    QCOMPARE(requests(m_local, "archive/days").size(), 0);
    QCOMPARE(barLook(line, at("10:30:00")), QStringLiteral("blue"));
    QVERIFY(notes(line).contains("Loading archive..."));
    m_local->releaseHeld();
    QTRY_VERIFY(notes(line).isEmpty());
    QCOMPARE(barLook(line, at("10:30:00")), QStringLiteral("blue"));
}

void tst_ControlPanelArchive::closedCameraLeavesNothing()
{
    ObjectCensus census;
    MessageCapture log;
    m_local->holdReplies(QStringLiteral("archive/list"));
    m_local->holdReplies(QStringLiteral("archive/days"));
    auto panel = openPanel({localCamera(3)});
    QTRY_COMPARE(m_local->heldCount(), 2);
    panel->removeCamera(localCamera(3)->globalId());
    QTRY_COMPARE(census.alive(kClient), 0);
    m_local->releaseHeld();
    QTest::qWait(300);
    QVERIFY(log.absent("list received"));
    QCOMPARE(barLook(timeline(panel.get()), at("10:30:00")), QStringLiteral("none"));
}

void tst_ControlPanelArchive::calendarPages_data()
{
    const QDate today = QDate::currentDate();
    const QDate last = today.addMonths(-1);
    QTest::addColumn<QDate>("page");
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QDateTime>("end");
    QTest::newRow("January") << QDate(2024, 1, 1) << QDateTime(QDate(2023, 12, 1), QTime(0, 0))
                             << QDateTime(QDate(2024, 1, 31), QTime(23, 59, 59));
    QTest::newRow("last month") << last << QDate(last.year(), last.month(), 1).addMonths(-1).startOfDay()
                                << QDateTime(QDate(last.year(), last.month(), last.daysInMonth()), QTime(23, 59, 59));
    QTest::newRow("next month") << today.addMonths(1) << QDateTime() << QDateTime();
}

void tst_ControlPanelArchive::calendarPages()
{
    QFETCH(QDate, page);
    QFETCH(QDateTime, start);
    auto panel = openPanel({localCamera(3)}, QDate::currentDate());
    QTRY_COMPARE(m_local->requests().size(), 2);
    m_local->clearRequests();
    GUI::CalendarWidget* calendar = openCalendar(archivePanel(panel.get()));
    QVERIFY(calendar);
    calendar->setCurrentPage(page.year(), page.month());
    if (!start.isValid()) {
        // A day to come has nothing to ask either.
        archivePanel(panel.get())->setCurrentDate(page);
        QTest::qWait(300);
        QCOMPARE(m_local->requests().size(), 0);
        return;
    }
    QTRY_COMPARE(m_local->requests().size(), 1);
    const PeerRequest request = requests(m_local, "archive/days").value(0);
    QCOMPARE(request.queryItem("startTime"), secs(start));
    QFETCH(QDateTime, end);
    QCOMPARE(request.queryItem("endTime"), secs(end));
}

QUORVEL_TEST_MAIN(tst_ControlPanelArchive)
#include "tst_ControlPanelArchive.moc"
