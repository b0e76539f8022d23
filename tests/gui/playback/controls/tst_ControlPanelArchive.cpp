#include "core/SessionManager.h"
#include "gui/playback/BarLook.h"
#include "gui/playback/CalendarCells.h"
#include "gui/playback/PaintedTexts.h"
#include "gui/playback/ZoneRun.h"
#include "gui/playback/controls/ControlPanel.h"
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
const QByteArray kClient = "QuorvelClient::Core::StreamerClient";

QDateTime at(const char* time, int days = 0)
{
    return QDateTime(kDay.addDays(days), QTime::fromString(QLatin1String(time)));
}

FakeRecord record(const QDateTime& start, int minutes, int type = 1)
{
    return {1, 100, start.toMSecsSinceEpoch(), minutes * 60000LL, type};
}

// Counts the events of one type that reach an object.
class EventCounter : public QObject
{
public:
    EventCounter(QObject* watched, QEvent::Type type, int* count) : m_type(type), m_count(count)
    {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        *m_count += event->type() == m_type;
        return false;
    }

private:
    QEvent::Type m_type;
    int* m_count;
};

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
    void failures_data();
    void failures();
    void retryNotes();
    void daysMarkedPerCamera();
    void archiveLimit();
    void refreshKeepsBars();
    void longReplies_data();
    void longReplies();
    void closedCameraLeavesNothing();
    void calendarPages_data();
    void calendarPages();
    void daysRepliesHeldOnce();
    QUORVEL_ZONE_RERUNS

private:
    Core::CameraPtr localCamera(int id) const;
    // A shown panel on kDay (or another day) with the cameras open, the last one active.
    std::unique_ptr<ControlPanel> openPanel(const QList<Core::CameraPtr>& cameras, const QDate& day = kDay);
    QList<PeerRequest> requests(FakeVideoServer* peer, const char* command) const;
    GUI::Timeline* timeline(ControlPanel* panel) const { return panel->findChild<GUI::Timeline*>(); }
    GUI::ArchivePanel* archivePanel(ControlPanel* panel) const { return panel->findChild<GUI::ArchivePanel*>(); }
    QTimer* refreshTimer(ControlPanel* panel) const { return panel->findChild<QTimer*>("timelineTimer"); }

    FakeNetwork* m_net = nullptr;
    FakeVideoServer* m_local = nullptr;
    FakeVideoServer* m_streamer = nullptr;
};

Core::CameraPtr tst_ControlPanelArchive::localCamera(int id) const
{
    Core::CameraPtr camera = TestSupport::localCamera(id, QStringLiteral("127.0.0.1:%1").arg(m_local->port()));
    camera->setPassword(m_local->password());
    return camera;
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
    Utils::Keys::proxyUseProxy().setValue(false);

    m_local = new FakeVideoServer(this);
    m_local->setPassword(QStringLiteral("p@ss w/rd"));
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
    Core::CameraPtr camera = localCamera(3);
    if (!local) {
        camera = TestSupport::localCamera(3, QStringLiteral("S1"));
        camera->setServerType(0);
    }
    auto panel = openPanel({camera}, QDate::currentDate());
    QTRY_COMPARE(peer->requests().size(), 2);
    QTest::qWait(300);
    QCOMPARE(peer->requests().size(), 2);

    const QString host = QStringLiteral("127.0.0.1:%1").arg(peer->port());
    const QString server = (local ? host : QStringLiteral("S1")) +
                           "&sessionId=" + (local ? "p%40ss%20w%2Frd" : Core::SessionManager::instance()->sessionId());
    const QDate today = QDate::currentDate();
    for (const char* command : {"archive/list", "archive/days"}) {
        const PeerRequest request = requests(peer, command).value(0);
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
    QVERIFY(refreshTimer(panel.get())->isActive());
    QCOMPARE(refreshTimer(panel.get())->interval(), 120000);
    panel->removeAllCameras();
    QVERIFY(!refreshTimer(panel.get())->isActive());
}

void tst_ControlPanelArchive::pickedDayShowsItsRecords_data()
{
    QTest::addColumn<bool>("colored");
    QTest::newRow("one colour") << false;
    QTest::newRow("coloured") << true;
}

// The former day's replies come after the picked day's: they are dropped.
void tst_ControlPanelArchive::pickedDayShowsItsRecords()
{
    QFETCH(bool, colored);
    Utils::Keys::coloredArchive().setValue(colored);
    m_local->holdReplies(QStringLiteral("archive/list"));
    auto panel = openPanel({localCamera(3), localCamera(4)}, kDay.addDays(-2));
    QTRY_COMPARE(m_local->heldCount(), 2);
    m_local->holdReplies(QStringLiteral("archive/list"), false);
    m_local->clearRequests();

    // Another day of the same month: records of each camera, no days.
    archivePanel(panel.get())->setCurrentDate(kDay);
    GUI::Timeline* line = timeline(panel.get());
    const QString typeTwo = colored ? "green" : "blue";
    QTRY_COMPARE(barLook(line, at("10:30:00")), typeTwo);
    MessageCapture log;
    m_local->releaseHeld();
    QTRY_COMPARE(log.count("Received not actual archive, currentDate: QDate(\"2024-03-31\")"), 2);
    QCOMPARE(barLook(line, at("10:30:00")), typeTwo);
    QCOMPARE(m_local->requests().size(), 2);
    for (const PeerRequest& request : m_local->requests()) {
        QCOMPARE(request.path, QByteArray("/archive/list"));
        QCOMPARE(request.queryItem("startTime"), secs(kDay.startOfDay()));
        QCOMPARE(request.queryItem("endTime"), secs(at("23:59:59")));
    }
    // The record from the evening before is drawn from midnight on; the one two days earlier not at all.
    QCOMPARE(barLook(line, at("00:00:30")), QStringLiteral("blue"));
    QCOMPARE(barLook(line, at("00:31:00")), QStringLiteral("none"));
}

void tst_ControlPanelArchive::failures_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QList<int>>("statuses");
    QTest::newRow("list answers third") << "archive/list" << QList<int>{500, 500};
    QTest::newRow("days fail thrice") << "archive/days" << QList<int>{500, 500, 500};
    QTest::newRow("list refused") << "archive/list" << QList<int>{409};
    QTest::newRow("days refused") << "archive/days" << QList<int>{409};
}

void tst_ControlPanelArchive::failures()
{
    QFETCH(QString, command);
    QFETCH(QList<int>, statuses);
    const bool refused = statuses == QList<int>{409};
    for (int status : statuses)
        m_local->failNext(command, 1, PeerReply::json("{}", status));
    ObjectCensus census;
    auto panel = openPanel({localCamera(3)});
    QSignalSpy relogins(panel.get(), &ControlPanel::relogin);
    const auto sent = [&] { return requests(m_local, command.toLatin1()).size(); };
    QTRY_COMPARE(sent(), refused ? 1 : 3);
    QTest::qWait(500);
    QCOMPARE(sent(), refused ? 1 : 3);
    QCOMPARE(relogins.size(), int(refused));
    QCOMPARE(barLook(timeline(panel.get()), at("10:30:00")), command == "archive/list" && refused ? "none" : "blue");
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
    for (const char* note : {"Loading archive...", "Loading archive, retry number 1 for camera Yard-Cam 3...",
                             "Loading archive, retry number 2 for camera Yard-Cam 3..."}) {
        QTRY_COMPARE(m_local->heldCount(), 1);
        QVERIFY2(notes(line).contains(note), note);
        m_local->releaseHeld();
    }
    QTRY_VERIFY(notes(line).contains("Error loading archive for camera Yard-Cam 3..."));
    QTRY_VERIFY_WITH_TIMEOUT(notes(line).isEmpty(), 3000);
    const QList<PeerRequest> sent = requests(m_local, "archive/list");
    QCOMPARE(sent.size(), 3);
    QVERIFY(sent.at(1).target == sent.first().target && sent.at(2).target == sent.first().target);
}

// A day stays marked while one camera has archive on it.
void tst_ControlPanelArchive::daysMarkedPerCamera()
{
    ObjectCensus census;
    auto panel = openPanel({localCamera(3), localCamera(4)});
    GUI::CalendarWidget* calendar = openCalendar(archivePanel(panel.get()));
    QVERIFY(calendar);
    // The days of the records on the 31st and two days before it are marked, the one before not.
    const auto marked = [&](int day) {
        return cellColours(calendar, cellRect(calendar, day, day == 31 ? 0 : 1)).contains(qRgb(255, 255, 0));
    };
    // Both cameras' days are in before one of them goes.
    QTRY_COMPARE(census.alive(kClient), 0);
    QVERIFY(marked(31) && marked(29) && !marked(28));
    panel->removeCamera(localCamera(3)->globalId());
    QVERIFY(marked(31) && marked(29));
    panel->removeCamera(localCamera(4)->globalId());
    QVERIFY(!marked(31) && !marked(29));
}

void tst_ControlPanelArchive::archiveLimit()
{
    MessageCapture log;
    auto panel = openPanel({localCamera(4)});
    QTRY_VERIFY(log.contains("Days list received for camera:") &&
                barLook(timeline(panel.get()), at("10:30:00")) != "none");
    panel->setArchiveEnabled(false);
    QVERIFY(!refreshTimer(panel.get())->isActive());
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
    QVERIFY(refreshTimer(panel.get())->isActive());
}

void tst_ControlPanelArchive::longReplies_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("padding"); // empty elements after the first record, each one read as a record of 1970
    QTest::newRow("a day of 100,000 records") << 100000 << 0;
    QTest::newRow("3 records among 300,000 empty elements") << 3 << 300000;
}

// Replies longer than a day's records at one a second are read whole, and what the day cannot take costs the log
// a hundred lines and one that counts the rest.
void tst_ControlPanelArchive::longReplies()
{
    QFETCH(int, records);
    QFETCH(int, padding);
    const qint64 midnight = kDay.startOfDay().toMSecsSinceEpoch();
    const qint64 step = (kDay.addDays(1).startOfDay().toMSecsSinceEpoch() - midnight - 10000) / records;
    QByteArray body = "[";
    for (int i = 0; i < records; ++i) {
        const QByteArray id = QByteArray::number(1000000 + i * 10);
        body += "{\"duration\":2000,\"endId\":" + id + ",\"startId\":" + id +
                ",\"startTime\":" + QByteArray::number(midnight + i * step) + ",\"type\":1}";
        body += i == 0 ? QByteArray(",{}").repeated(padding) + ',' : QByteArray(",");
    }
    body.back() = ']';
    m_local->failNext(QStringLiteral("archive/list"), 1, PeerReply::json(body));
    MessageCapture log;
    auto panel = openPanel({localCamera(3)});
    QTRY_VERIFY_WITH_TIMEOUT(log.contains("Records list received.") || log.contains("Records list receive error"),
                             20000);
    panel->playArchive(kDay.startOfDay());
    QCOMPARE(panel->playlist().size(), records);
    QCOMPARE(panel->playlist().last().startTime.toSecsSinceEpoch(), (midnight + (records - 1) * step) / 1000 + 1);
    QCOMPARE(log.messages().filter("more records skipped"),
             padding ? QStringList(QString::fromUtf8("\u2026 and 299900 more records skipped")) : QStringList());
    QCOMPARE(log.count("Received record with start.date()"), padding ? 100 : 0);
    QVERIFY2(log.messages().size() < 140, qPrintable(QString::number(log.messages().size())));
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
    QCOMPARE(m_local->requests().size(), 2);
    QCOMPARE(barLook(line, at("10:30:00")), QStringLiteral("blue"));
    QVERIFY(notes(line).contains("Loading archive..."));
    // No refresh after the answers, whose requests would be held again: what the answers leave is judged.
    panel->findChild<QTimer*>(QStringLiteral("timelineTimer"))->stop();
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
    const QDate last = QDate::currentDate().addMonths(-1);
    QTest::addColumn<QDate>("page");
    QTest::addColumn<QDateTime>("start"); // invalid: nothing is asked
    QTest::addColumn<QDateTime>("end");
    QTest::newRow("January") << QDate(2024, 1, 1) << QDate(2023, 12, 1).startOfDay()
                             << QDateTime(QDate(2024, 1, 31), QTime(23, 59, 59));
    QTest::newRow("last month") << last << QDate(last.year(), last.month(), 1).addMonths(-1).startOfDay()
                                << QDateTime(QDate(last.year(), last.month(), last.daysInMonth()), QTime(23, 59, 59));
    QTest::newRow("next month") << QDate::currentDate().addMonths(1) << QDateTime() << QDateTime();
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
    QTEST(QDateTime::fromSecsSinceEpoch(request.queryItem("endTime").toLongLong()), "end");
}

// A days reply of thousands of dates that are no time and of each day three times costs the log a hundred lines and
// one that counts the rest, is held and marked once per day, and leaves no more behind when page turns bring it again.
void tst_ControlPanelArchive::daysRepliesHeldOnce()
{
    const QDate first(2024, 1, 1);
    QByteArray body = "[";
    for (int i = 0; i < 3000; ++i)
        body += "{\"date\":-1},";
    for (int copy = 1; copy <= 3; ++copy) {
        for (int day = 0; day < 100; ++day) {
            body += "{\"date\":" + QByteArray::number(first.addDays(day).startOfDay().toSecsSinceEpoch() + 3600) +
                    ",\"recordsCount\":" + QByteArray::number(copy) + "},";
        }
    }
    body.back() = ']';
    m_local->failCommand(QStringLiteral("archive/days"), PeerReply::json(body));
    m_local->holdReplies(QStringLiteral("archive/days"));
    MessageCapture log;
    auto panel = openPanel({localCamera(3)});
    const Core::camera_global_id_t id = localCamera(3)->globalId();
    GUI::CalendarWidget* calendar = openCalendar(archivePanel(panel.get()));
    QVERIFY(calendar);
    auto* cells = calendar->findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"))->viewport();
    QTRY_COMPARE(m_local->heldCount(), 1);
    QTest::qWait(100);
    int paints = 0;
    EventCounter counter(cells, QEvent::Paint, &paints);

    // The marks of a reply are painted at once.
    m_local->releaseHeld();
    QTRY_COMPARE(log.count("Days list received for camera:"), 1);
    QTRY_COMPARE(paints, 1);
    QTest::qWait(100);
    QCOMPARE(paints, 1);
    QVERIFY(cellColours(calendar, cellRect(calendar, 10)).contains(qRgb(255, 255, 0)));
    QCOMPARE(log.count("Skipped archive day with date:"), 100);
    QCOMPARE(log.messages().filter("more archive days skipped"),
             QStringList(QString::fromUtf8("\u2026 and 2900 more archive days skipped")));
    QVERIFY2(log.messages().size() < 140, qPrintable(QString::number(log.messages().size())));

    m_local->holdReplies(QStringLiteral("archive/days"), false);
    for (int turn = 1; turn <= 3; ++turn) {
        calendar->setCurrentPage(kDay.addMonths(-turn).year(), kDay.addMonths(-turn).month());
        QTRY_COMPARE(log.count("Days list received for camera:"), 1 + turn);
    }
    const QList<Core::ArchiveDayPtr> days = panel->archiveDays(id);
    QCOMPARE(days.size(), 100);
    QCOMPARE(days.first()->date(), first);
    QCOMPARE(days.last()->date(), first.addDays(99));
    QCOMPARE(days.last()->recordsCount(), 3);
    m_local->clearFailures();
}

QUORVEL_TEST_MAIN(tst_ControlPanelArchive)
#include "tst_ControlPanelArchive.moc"
