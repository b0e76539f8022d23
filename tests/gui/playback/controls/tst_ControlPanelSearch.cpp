#define QTEST_QPA_MOUSE_HANDLING

#include "gui/playback/BarLook.h"
#include "gui/playback/PaintedTexts.h"
#include "gui/playback/WindowRig.h"
#include "gui/playback/ZoneRun.h"
#include "gui/video/VideoContainer.h"
#include "gui/video/VideoPlayer.h"
#include "gui/video/VideoWidget.h"
#include "support/BoxAnswerer.h"
#include "support/MessageCapture.h"
#include "support/TestEnvironment.h"

#include <QPushButton>

using namespace QuorvelClient;
using namespace TestSupport;

namespace {

// The day on which Central Europe moves its clocks forward.
const QDate kDay(2024, 3, 31);
const QByteArray kClient = "QuorvelClient::Core::StreamerClient";

QDateTime at(const char* time)
{
    return QDateTime(kDay, QTime::fromString(QLatin1String(time)));
}

QString secs(const QDateTime& time)
{
    return QString::number(time.toSecsSinceEpoch());
}

// Each bound of a reply's record is read one second later.
FakeRecord record(int startId, const char* start, int minutes, bool motion = false)
{
    return {startId, startId + 9, at(start).toMSecsSinceEpoch(), minutes * 60000LL, 1, motion};
}

// Records of 20 minutes every half hour from 06:00 on; the 12 on the hour hold motion (ids 100, 120, ...).
QList<FakeRecord> dayOfRecords(bool motion = true)
{
    QList<FakeRecord> records;
    for (int i = 0; i < 24; ++i)
        records << record(100 + i * 10, qPrintable(QTime(6, 0).addSecs(i * 1800).toString()), 20, motion && i % 2 == 0);
    return records;
}

} // namespace

class tst_ControlPanelSearch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_rig.start()); }
    void init();
    void zoneIsSearched();
    void startRefused_data();
    void startRefused();
    void unusableReplies_data();
    void unusableReplies();
    void closing_data();
    void closing();
    void searchEndsWithItsDayAndPlayer();
    void clickPlaysTheHits();
    QUORVEL_ZONE_RERUNS

private:
    // Opens cameras 3 "Main-Door" and 4 "Main-Gate" of the local server on kDay and waits for their replies.
    void open(int cameras = 1, bool search = true);
    void click(const char* button) const { m_rig.window->findChild<QPushButton*>(button)->click(); }
    // Presses search and accepts the zone it offers.
    void search() const
    {
        click("btnSearch");
        click("btnAccSearch");
    }
    GUI::ControlPanel* panel() const { return m_rig.panel(); }
    GUI::Timeline* timeline() const { return m_rig.window->findChild<GUI::Timeline*>(); }
    GUI::VideoWidget* picture() const
    {
        return m_rig.window->findChild<GUI::VideoContainer*>()->players().value(0)->videoWidget();
    }
    bool shows(const QString& text) const { return paintedTexts(timeline()).contains(text); }

    WindowRig m_rig;
};

void tst_ControlPanelSearch::init()
{
    m_rig.server.releaseHeld();
    m_rig.server.holdReplies("archive/list", false);
    m_rig.server.clearFailures();
    m_rig.server.setRecords(3, dayOfRecords());
    m_rig.server.setRecords(4, {record(1, "08:10", 60), record(2, "10:05", 5)});
    m_rig.newWindow();
}

void tst_ControlPanelSearch::open(int cameras, bool search)
{
    QList<Core::CameraPtr> list;
    for (int id = 3; id < 3 + cameras; ++id) {
        list << m_rig.camera(id, id == 3 ? "Door" : "Gate", "Main");
        list.last()->setArchiveSearchSupported(search);
    }
    m_rig.open(list, kDay);
    m_rig.server.clearRequests();
}

// The zone as the user leaves it on a turned picture; the request carries what the widget reports.
void tst_ControlPanelSearch::zoneIsSearched()
{
    open();
    click("btnRotateRight");
    QSignalSpy messages(m_rig.window.get(), &GUI::PlaybackWindow2::showMessage);
    click("btnSearch");
    const QString prompt = "Select an area of video image to search";
    QVERIFY(shows(prompt) && messages.value(0).value(0) == prompt);
    GUI::VideoWidget* widget = picture();
    const int middle = widget->searchZoneX2();
    // The zone is moved by its middle: the picture's three quarters can lie a few pixels off the zone's rounded
    // corner. The pointer comes over it first straight to the widget, as a moved cursor reaches the widget only
    // through the window system's queue.
    const QPoint inside = widget->pictureRect().center();
    QMouseEvent hover(QEvent::MouseMove, inside, widget->mapToGlobal(inside), Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(widget, &hover);
    QTest::mousePress(widget, Qt::LeftButton, {}, inside);
    QTest::mouseMove(widget, inside + QPoint(40, 20));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, inside + QPoint(40, 20));
    const QString edges = QString("&x1=%1&x2=%2&y1=%3&y2=%4")
                              .arg(widget->searchZoneX1())
                              .arg(widget->searchZoneX2())
                              .arg(widget->searchZoneY1())
                              .arg(widget->searchZoneY2());
    QVERIFY(widget->searchZoneX2() != middle);

    m_rig.server.holdReplies("archive/list");
    click("btnAccSearch");
    QTRY_COMPARE(m_rig.server.heldCount(), 1);
    QVERIFY(shows("Searching..."));
    QCOMPARE(QString(m_rig.server.requests().value(0).target),
             "/archive/list?camera=3&endTime=" + secs(at("23:59:59")) +
                 "&server=127.0.0.1:" + QString::number(m_rig.server.port()) +
                 "&sessionId=p%40ss%20w%2Frd&startTime=" + secs(kDay.startOfDay()) + edges);

    m_rig.server.releaseHeld();
    QTRY_VERIFY(shows("Found 12 records"));
    // Hits in their own colour, the other records veiled; the view moves onto the hits.
    QCOMPARE(barLook(timeline(), at("08:10:00")) + barLook(timeline(), at("08:40:00")), "bluenone");
    QTRY_VERIFY(timeline()->startValue() > kDay.startOfDay() && timeline()->startValue() <= at("06:00:01"));
    QVERIFY(timeline()->endValue() >= at("17:20:01") && timeline()->endValue() < at("23:59:59"));
}

void tst_ControlPanelSearch::startRefused_data()
{
    QTest::addColumn<bool>("search");
    QTest::addColumn<int>("cameras");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("no search on the server")
        << false << 1 << "Search is not available"
        << "Archive search is not available for camera Main-Door.\nMaybe your Quorvel Server need an update or you "
           "have to turn on search in server settings.";
    QTest::newRow("no records on the day")
        << true << 1 << "No records"
        << "There are no records for Sun Mar 31 2024. Please select a day with records";
    QTest::newRow("no records, another camera has")
        << true << 2 << "No records"
        << "There are no records for camera Main-Door for Sun Mar 31 2024.\nPlease select a camera with records or "
           "select the other day";
    QTest::newRow("active camera gone") << true << 2 << QString() << QString();
}

void tst_ControlPanelSearch::startRefused()
{
    QFETCH(bool, search);
    QFETCH(int, cameras);
    QFETCH(QString, title);
    m_rig.server.setRecords(3, search ? QList<FakeRecord>() : dayOfRecords());
    open(cameras, search);
    if (title.isEmpty())
        panel()->setActiveCamera({"127.0.0.1:1", 3});
    BoxAnswerer boxes("OK");
    QSignalSpy started(panel(), &GUI::ControlPanel::searchStartRequested);
    click("btnSearch");
    QCOMPARE(boxes.count(), title.isEmpty() ? 0 : 1);
    QCOMPARE(boxes.seen().value(0).title, title);
    QTEST(boxes.seen().value(0).text, "text");
    QVERIFY(started.isEmpty() && !picture()->isSearchActive());
}

void tst_ControlPanelSearch::unusableReplies_data()
{
    QTest::addColumn<QList<FakeRecord>>("hits");
    QTest::addColumn<QList<int>>("statuses");
    QTest::addColumn<QString>("text");
    const QList<FakeRecord> unreadable{{9, 1, at("08:00").toMSecsSinceEpoch(), 60000, 1, true},
                                       {1, 9, at("09:00").toMSecsSinceEpoch(), 999, 1, true}};
    QTest::newRow("no hits") << QList<FakeRecord>() << QList<int>() << "No records found";
    QTest::newRow("not a list") << dayOfRecords() << QList<int>{200} << "No records found";
    QTest::newRow("unreadable records") << unreadable << QList<int>() << "No records found";
    QTest::newRow("three failures") << dayOfRecords() << QList<int>{500, 500, 500}
                                    << "Could not find records for selected zone";
    QTest::newRow("refused session") << dayOfRecords() << QList<int>{409} << "Searching...";
}

void tst_ControlPanelSearch::unusableReplies()
{
    QFETCH(QList<FakeRecord>, hits);
    QFETCH(QList<int>, statuses);
    QFETCH(QString, text);
    m_rig.server.setRecords(3, hits + dayOfRecords(false));
    open();
    m_rig.server.holdReplies("archive/list");
    for (int status : statuses)
        m_rig.server.failNext("archive/list", 1, PeerReply::json("{\"a\":1}", status));
    QSignalSpy relogins(m_rig.window.get(), &GUI::PlaybackWindow2::relogin);
    ObjectCensus census;
    search();
    QTRY_COMPARE(m_rig.server.heldCount(), 1);
    m_rig.server.releaseHeld();
    // A failed zone request says so at once, while it is asked again.
    if (statuses.size() > 1) {
        QTRY_COMPARE(m_rig.server.heldCount(), 1);
        QVERIFY(shows(text));
    }
    m_rig.server.holdReplies("archive/list", false);
    m_rig.server.releaseHeld();
    QTRY_VERIFY(shows(text));
    QTest::qWait(300);
    const QList<PeerRequest> sent = m_rig.server.requests();
    QCOMPARE(std::count_if(sent.cbegin(), sent.cend(), [](const PeerRequest& r) { return r.target.contains("x1="); }),
             qMax(1, int(statuses.size())));
    QCOMPARE(relogins.size(), int(statuses.contains(409)));
    QCOMPARE(barLook(timeline(), at("06:10:00")), QStringLiteral("none"));
    if (relogins.isEmpty())
        QTRY_COMPARE(census.alive(kClient), 0);
}

void tst_ControlPanelSearch::closing_data()
{
    QTest::addColumn<QString>("closer");
    QTest::addColumn<bool>("hits");
    QTest::addColumn<QString>("answer");
    QTest::newRow("video panel, No") << "btnCloseFinded" << true << "No";
    QTest::newRow("timeline, Yes") << "closeSearchButton" << true << "Yes";
    QTest::newRow("search again, No") << "btnSearch" << true << "No";
    QTest::newRow("search again, Yes") << "btnSearch" << true << "Yes";
    QTest::newRow("no hits") << "btnCloseFinded" << false << "";
}

void tst_ControlPanelSearch::closing()
{
    QFETCH(QString, closer);
    QFETCH(bool, hits);
    QFETCH(QString, answer);
    m_rig.server.setRecords(3, dayOfRecords(hits));
    open();
    search();
    QTRY_VERIFY(shows(hits ? "Found 12 records" : "No records found"));
    BoxAnswerer boxes(answer);
    QSignalSpy closed(panel(), &GUI::ControlPanel::searchClosed);
    QTest::mouseClick(m_rig.window->findChild<QPushButton*>(closer), Qt::LeftButton);

    QCOMPARE(boxes.count(), int(hits));
    if (hits) {
        QCOMPARE(boxes.last().title + boxes.last().buttons.join(""), "Are you sure?YesNo");
        QCOMPARE(boxes.last().text, "Are you sure you want to close current search results?");
    }
    const bool kept = answer == "No";
    const bool drawing = closer == "btnSearch" && !kept;
    QCOMPARE(closed.size(), int(!kept));
    QCOMPARE(barLook(timeline(), at("06:40:00")), kept || drawing ? "none" : "blue");
    QCOMPARE(picture()->findChild<QPushButton*>()->isVisible(), kept);
    QCOMPARE(picture()->isSearchActive() && shows("Select an area of video image to search"), drawing);
    QVERIFY(m_rig.window->findChild<QPushButton*>("btnSearch")->isEnabled());
}

void tst_ControlPanelSearch::searchEndsWithItsDayAndPlayer()
{
    open(2);
    // Closed while its zone request is under way, beside a plain one of the same camera.
    m_rig.server.setRecords(3, {record(1, "06:00", 20, true), record(2, "20:00", 20)});
    m_rig.server.holdReplies("archive/list");
    QVERIFY(QMetaObject::invokeMethod(panel(), "updateTimeline"));
    search();
    QTRY_COMPARE(m_rig.server.heldCount(), 3);
    {
        ObjectCensus census;
        MessageCapture log;
        click("btnCloseFinded");
        QVERIFY(log.count("Remove zone request from recordsRequests") == 1 && log.absent("p@ss"));
        m_rig.server.holdReplies("archive/list", false);
        m_rig.server.releaseHeld();
        QTRY_COMPARE(barLook(timeline(), at("20:10:00")), QStringLiteral("blue"));
        QTRY_COMPARE(census.alive(kClient), 0);
        QVERIFY(log.absent("List end: " + secs(at("06:20:00"))) && !shows("Found 1 records"));
    }

    // Another day ends the search without a question; so does closing the searched player.
    m_rig.server.setRecords(3, dayOfRecords());
    search();
    QTRY_VERIFY(shows("Found 12 records"));
    BoxAnswerer boxes("No");
    m_rig.open({}, kDay.addDays(-1));
    QVERIFY(!shows("Found 12 records") && !picture()->findChild<QPushButton*>()->isVisible());
    m_rig.open({}, kDay);
    search();
    QTRY_VERIFY(shows("Found 12 records"));
    QSignalSpy closed(panel(), &GUI::ControlPanel::searchClosed);
    m_rig.window->findChild<GUI::VideoContainer*>()->players().constFirst()->close();
    m_rig.window->removeAllCameras();
    QCOMPARE(closed.size(), 2);
    QCOMPARE(boxes.count(), 0);
}

void tst_ControlPanelSearch::clickPlaysTheHits()
{
    open(2);
    search();
    QTRY_VERIFY(shows("Found 12 records"));
    m_rig.source.clearRequests();
    // Inside hit 3 (ids 140, 08:00:01 to 08:20:01), where the other camera's record 1 begins; its stretches
    // across hits 3 and 4 and its record 2 inside hit 5 follow later.
    timeline()->playTime(at("08:10:00"));
    QCOMPARE(panel()->playlist().size(), 10 + 3);
    QTRY_COMPARE_WITH_TIMEOUT(m_rig.source.requestCount("/flv/archive"), 2, 15000);
    QStringList asked;
    for (const FlvStreamSource::Request& request : m_rig.source.requests()) {
        if (request.path == "/flv/archive") {
            for (const char* key : {"camera", "startId", "startTime"})
                asked << request.query.queryItemValue(key);
        }
    }
    QCOMPARE(asked, QStringList({"3", "140", secs(at("08:10:00")), "4", "1", secs(at("08:10:01"))}));
}

QUORVEL_TEST_MAIN(tst_ControlPanelSearch)
#include "tst_ControlPanelSearch.moc"
