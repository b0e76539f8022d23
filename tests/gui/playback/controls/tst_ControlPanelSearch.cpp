#define QTEST_QPA_MOUSE_HANDLING

#include "core/Camera.h"
#include "gui/playback/BarLook.h"
#include "gui/playback/PaintedTexts.h"
#include "gui/playback/PlaybackWindow2.h"
#include "gui/playback/ZoneRun.h"
#include "gui/playback/controls/ControlPanel.h"
#include "gui/playback/widgets/ArchivePanel.h"
#include "gui/video/VideoContainer.h"
#include "gui/video/VideoPlayer.h"
#include "gui/video/VideoWidget.h"
#include "peer/FakeVideoServer.h"
#include "peer/FlvStreamSource.h"
#include "support/BoxAnswerer.h"
#include "support/MessageCapture.h"
#include "support/ObjectCensus.h"
#include "support/TestClips.h"
#include "support/TestEnvironment.h"

#include <QPushButton>
#include <QSignalSpy>

using namespace QuorvelClient;
using namespace TestSupport;
using GUI::ControlPanel;
using GUI::VideoWidget;

namespace {

// The day on which Central Europe moves its clocks forward.
const QDate kDay(2024, 3, 31);
const QString kPassword = QStringLiteral("p@ss w/rd");
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

// Records every half hour from 06:00 to 17:30, twenty minutes each; those on the hour hold motion: 12 hits.
QList<FakeRecord> dayOfRecords()
{
    QList<FakeRecord> records;
    for (int i = 0; i < 24; ++i) {
        const QByteArray start = QTime(6, 0).addSecs(i * 1800).toString("hh:mm").toLatin1();
        records << record(100 + i * 10, start.constData(), 20, i % 2 == 0);
    }
    return records;
}

} // namespace

class tst_ControlPanelSearch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void zoneIsSearched_data();
    void zoneIsSearched();
    void startRefused_data();
    void startRefused();
    void unusableReplies_data();
    void unusableReplies();
    void closing_data();
    void closing();
    void closingDropsOnlyTheZoneRequest();
    void anotherDayOrClosedPlayerEndsTheSearch();
    void clickPlaysTheHits();
    QUORVEL_ZONE_RERUNS

private:
    Core::CameraPtr camera(int id, const char* name, bool search = true) const;
    // Opens the cameras on kDay and waits for their records and days.
    void open(const QList<Core::CameraPtr>& cameras);
    // Marks the default zone on the active camera's picture and accepts it.
    void search();
    template <typename T> T* child(const char* name) const { return m_window->findChild<T*>(name); }
    void click(const char* button) const { child<QPushButton>(button)->click(); }
    ControlPanel* panel() const { return m_window->findChild<ControlPanel*>(); }
    GUI::Timeline* timeline() const { return m_window->findChild<GUI::Timeline*>(); }
    VideoWidget* widget(int index = 0) const
    {
        return m_window->findChild<GUI::VideoContainer*>()->players().at(index)->videoWidget();
    }
    bool shows(const QString& text) const { return paintedTexts(timeline()).contains(text); }
    int zoneRequests() const;

    FakeVideoServer m_server;
    FlvStreamSource m_source;
    std::unique_ptr<GUI::PlaybackWindow2> m_window;
};

Core::CameraPtr tst_ControlPanelSearch::camera(int id, const char* name, bool search) const
{
    auto camera =
        std::make_shared<Core::Camera>(id, name, QStringLiteral("127.0.0.1:%1").arg(m_server.port()), 0, "Main", true,
                                       true, search, QSize(320, 240), "h264", Core::Camera::CameraFlags(), QString());
    camera->setServerType(1);
    camera->setPassword(kPassword);
    return camera;
}

void tst_ControlPanelSearch::initTestCase()
{
    QVERIFY(m_source.setLiveClip(clipPath(Clip::H264)));
    QVERIFY(m_source.setArchiveClip(clipPath(Clip::H264)));
    m_source.attachTo(&m_server);
    m_server.setPassword(kPassword);
    QVERIFY(m_server.start());
}

void tst_ControlPanelSearch::init()
{
    m_server.releaseHeld();
    m_server.holdReplies("archive/list", false);
    m_server.clearFailures();
    m_server.setRecords(3, dayOfRecords());
    m_server.setRecords(4, {record(1, "08:10", 60), record(2, "10:05", 5)});
    m_window.reset(new GUI::PlaybackWindow2);
    m_window->resize(1000, 700);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_ControlPanelSearch::cleanup()
{
    m_window.reset();
}

void tst_ControlPanelSearch::open(const QList<Core::CameraPtr>& cameras)
{
    ObjectCensus census;
    // The clock's first report would bring the calendar back to today.
    panel()->setCurrentTime(QDateTime::currentDateTime());
    m_window->findChild<GUI::ArchivePanel*>()->setCurrentDate(kDay);
    for (const Core::CameraPtr& camera : cameras)
        m_window->addCamera(camera);
    QTRY_COMPARE_WITH_TIMEOUT(census.alive(kClient), 0, 10000);
    m_server.clearRequests();
}

void tst_ControlPanelSearch::search()
{
    click("btnSearch");
    click("btnAccSearch");
}

int tst_ControlPanelSearch::zoneRequests() const
{
    int count = 0;
    for (const PeerRequest& request : m_server.requests())
        count += !request.queryItem("x1").isEmpty();
    return count;
}

void tst_ControlPanelSearch::zoneIsSearched_data()
{
    QTest::addColumn<bool>("rotated");
    QTest::addColumn<bool>("dragged");
    QTest::newRow("default zone") << false << false;
    QTest::newRow("dragged corner") << false << true;
    QTest::newRow("rotated and dragged") << true << true;
}

void tst_ControlPanelSearch::zoneIsSearched()
{
    QFETCH(bool, rotated);
    QFETCH(bool, dragged);
    open({camera(3, "Door")});
    if (rotated)
        click("btnRotateRight");
    QSignalSpy messages(m_window.get(), &GUI::PlaybackWindow2::showMessage);
    click("btnSearch");
    const QString prompt = "Select an area of video image to search";
    QVERIFY(shows(prompt));
    QCOMPARE(messages.value(0).value(0).toString(), prompt);
    VideoWidget* picture = widget();
    QVERIFY(picture->isSearchActive());
    const auto edges = [picture] {
        return QList<int>{picture->searchZoneX1(), picture->searchZoneX2(), picture->searchZoneY1(),
                          picture->searchZoneY2()};
    };
    const QList<int> middle = edges();
    if (dragged) {
        const QRect r = picture->pictureRect();
        const QPoint corner(r.left() + r.width() * 3 / 4 - 1, r.top() + r.height() * 3 / 4 - 1);
        QTest::mouseMove(picture, corner);
        QTest::mousePress(picture, Qt::LeftButton, {}, corner);
        QTest::mouseMove(picture, corner + QPoint(r.width() / 8, r.height() / 10));
        QTest::mouseRelease(picture, Qt::LeftButton, {}, corner + QPoint(r.width() / 8, r.height() / 10));
    }
    const QList<int> zone = edges();
    QCOMPARE(zone == middle, !dragged);

    m_server.holdReplies("archive/list");
    click("btnAccSearch");
    QTRY_COMPARE(m_server.heldCount(), 1);
    QVERIFY(shows("Searching..."));
    QCOMPARE(QString(m_server.requests().value(0).target),
             QString("/archive/list?camera=3&endTime=%1&server=127.0.0.1:%2&sessionId=%3&startTime=%4&x1=%5&x2=%6&y1=%7"
                     "&y2=%8")
                 .arg(secs(at("23:59:59")), QString::number(m_server.port()), "p%40ss%20w%2Frd",
                      secs(kDay.startOfDay()), QString::number(zone[0]), QString::number(zone[1]),
                      QString::number(zone[2]), QString::number(zone[3])));

    m_server.releaseHeld();
    QTRY_VERIFY(shows("Found 12 records"));
    // Hits in their own colour, the other records veiled.
    QCOMPARE(barLook(timeline(), at("08:10:00")), QStringLiteral("blue"));
    QCOMPARE(barLook(timeline(), at("08:40:00")), QStringLiteral("none"));
    // The view moves onto the hits.
    QTRY_VERIFY(timeline()->startValue() > kDay.startOfDay() && timeline()->startValue() <= at("06:00:01"));
    QVERIFY(timeline()->endValue() >= at("17:20:01") && timeline()->endValue() < at("23:59:59"));
}

void tst_ControlPanelSearch::startRefused_data()
{
    QTest::addColumn<bool>("support");
    QTest::addColumn<bool>("otherCamera");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("no search on the server")
        << false << false << "Search is not available"
        << "Archive search is not available for camera Main-Door.\nMaybe your Quorvel Server need an update or you "
           "have to turn on search in server settings.";
    QTest::newRow("no records on the day")
        << true << false << "No records"
        << "There are no records for Sun Mar 31 2024. Please select a day with records";
    QTest::newRow("no records, another camera has")
        << true << true << "No records"
        << "There are no records for camera Main-Door for Sun Mar 31 2024.\nPlease select a camera with records or "
           "select the other day";
    QTest::newRow("active camera gone") << true << true << QString() << QString();
}

void tst_ControlPanelSearch::startRefused()
{
    QFETCH(bool, support);
    QFETCH(bool, otherCamera);
    QFETCH(QString, title);
    if (support)
        m_server.setRecords(3, {});
    QList<Core::CameraPtr> cameras{camera(3, "Door", support)};
    if (otherCamera)
        cameras << camera(4, "Gate");
    open(cameras);
    if (title.isEmpty())
        panel()->setActiveCamera({"127.0.0.1:1", 3});
    BoxAnswerer boxes("OK");
    QSignalSpy started(panel(), &ControlPanel::searchStartRequested);
    panel()->onSearchStartRequested();
    QCOMPARE(boxes.count(), title.isEmpty() ? 0 : 1);
    if (!title.isEmpty()) {
        QCOMPARE(boxes.last().title, title);
        QTEST(boxes.last().text, "text");
    }
    QCOMPARE(started.size(), 0);
    QVERIFY(!widget()->isSearchActive());
}

void tst_ControlPanelSearch::unusableReplies_data()
{
    QTest::addColumn<QList<FakeRecord>>("hits");
    QTest::addColumn<QList<PeerReply>>("replies");
    QTest::addColumn<int>("sent");
    QTest::addColumn<QString>("text");
    const QString none = "No records found";
    QTest::newRow("no hits") << QList<FakeRecord>() << QList<PeerReply>() << 1 << none;
    QTest::newRow("not a list") << dayOfRecords() << QList<PeerReply>{PeerReply::json("{\"a\":1}")} << 1 << none;
    QTest::newRow("invalid records") << QList<FakeRecord>{{9, 1, at("08:00").toMSecsSinceEpoch(), 60000, 1, true},
                                                          {1, 9, at("09:00").toMSecsSinceEpoch(), 999, 1, true}}
                                     << QList<PeerReply>() << 1 << none;
    const PeerReply failed = PeerReply::json("{}", 500);
    QTest::newRow("three failures") << dayOfRecords() << QList<PeerReply>{failed, failed, failed} << 3
                                    << "Could not find records for selected zone";
    QTest::newRow("refused session") << dayOfRecords() << QList<PeerReply>{PeerReply::json("{}", 409)} << 1
                                     << "Searching...";
}

void tst_ControlPanelSearch::unusableReplies()
{
    QFETCH(QList<FakeRecord>, hits);
    QFETCH(QList<PeerReply>, replies);
    QFETCH(int, sent);
    QFETCH(QString, text);
    QList<FakeRecord> records = hits;
    for (FakeRecord r : dayOfRecords()) {
        r.motion = false;
        records << r;
    }
    m_server.setRecords(3, records);
    open({camera(3, "Door")});
    m_server.holdReplies("archive/list");
    for (const PeerReply& reply : replies)
        m_server.failNext("archive/list", 1, reply);
    QSignalSpy relogins(m_window.get(), &GUI::PlaybackWindow2::relogin);
    ObjectCensus census;
    search();
    QTRY_COMPARE(m_server.heldCount(), 1);
    m_server.releaseHeld();
    // A failed zone request says so at once, while it is asked again.
    if (sent > 1) {
        QTRY_COMPARE(m_server.heldCount(), 1);
        QVERIFY(shows(text));
    }
    m_server.holdReplies("archive/list", false);
    m_server.releaseHeld();
    QTRY_VERIFY(shows(text));
    QTest::qWait(300);
    QCOMPARE(zoneRequests(), sent);
    QCOMPARE(relogins.size(), text == "Searching..." ? 1 : 0);
    QCOMPARE(barLook(timeline(), at("06:10:00")), QStringLiteral("none"));
    if (relogins.isEmpty())
        QTRY_COMPARE(census.alive(kClient), 0);
}

void tst_ControlPanelSearch::closing_data()
{
    QTest::addColumn<QString>("closer");
    QTest::addColumn<QList<FakeRecord>>("hits");
    QTest::addColumn<QString>("answer");
    QTest::newRow("video panel, No") << "btnCloseFinded" << dayOfRecords() << "No";
    QTest::newRow("timeline, Yes") << "closeSearchButton" << dayOfRecords() << "Yes";
    QTest::newRow("search again, No") << "btnSearch" << dayOfRecords() << "No";
    QTest::newRow("search again, Yes") << "btnSearch" << dayOfRecords() << "Yes";
    QTest::newRow("no hits") << "btnCloseFinded" << QList<FakeRecord>() << "";
}

void tst_ControlPanelSearch::closing()
{
    QFETCH(QString, closer);
    QFETCH(QList<FakeRecord>, hits);
    QFETCH(QString, answer);
    m_server.setRecords(3, hits.isEmpty() ? QList<FakeRecord>{record(1, "06:30", 20)} : hits);
    open({camera(3, "Door")});
    search();
    QTRY_VERIFY(shows(hits.isEmpty() ? "No records found" : "Found 12 records"));
    BoxAnswerer boxes(answer);
    QSignalSpy closed(panel(), &ControlPanel::searchClosed);
    QTest::mouseClick(m_window->findChild<QPushButton*>(closer), Qt::LeftButton);

    const bool asked = !hits.isEmpty();
    QCOMPARE(boxes.count(), asked ? 1 : 0);
    if (asked) {
        QCOMPARE(boxes.last().title, QString("Are you sure?"));
        QCOMPARE(boxes.last().text, QString("Are you sure you want to close current search results?"));
        QCOMPARE(boxes.last().buttons, QStringList({"Yes", "No"}));
    }
    const bool kept = answer == "No";
    QCOMPARE(closed.size(), kept ? 0 : 1);
    const bool drawing = closer == "btnSearch" && !kept;
    QCOMPARE(barLook(timeline(), at("06:40:00")), kept || drawing ? "none" : "blue");
    QCOMPARE(widget()->findChild<QPushButton*>()->isVisible(), kept);
    // Search pressed again marks a new zone once the results are gone.
    QCOMPARE(widget()->isSearchActive(), drawing);
    QCOMPARE(shows("Select an area of video image to search"), drawing);
    QVERIFY(child<QPushButton>("btnSearch")->isEnabled());
}

void tst_ControlPanelSearch::closingDropsOnlyTheZoneRequest()
{
    open({camera(3, "Door")});
    m_server.setRecords(3, {record(1, "06:00", 20, true), record(2, "20:00", 20)});
    m_server.holdReplies("archive/list");
    QVERIFY(QMetaObject::invokeMethod(panel(), "updateTimeline"));
    search();
    QTRY_COMPARE(m_server.heldCount(), 2);

    ObjectCensus census;
    MessageCapture log;
    click("btnCloseFinded");
    QCOMPARE(log.count("Remove zone request from recordsRequests"), 1);
    QVERIFY(log.absent("p@ss"));
    m_server.releaseHeld();
    QTRY_COMPARE(barLook(timeline(), at("20:10:00")), QStringLiteral("blue"));
    QTRY_COMPARE(census.alive(kClient), 0);
    QVERIFY(log.absent("List end: " + secs(at("06:20:00"))));
    QVERIFY(!shows("Found 1 records"));
}

void tst_ControlPanelSearch::anotherDayOrClosedPlayerEndsTheSearch()
{
    open({camera(3, "Door"), camera(4, "Gate")});
    search();
    QTRY_VERIFY(shows("Found 12 records"));
    m_server.clearRequests();
    BoxAnswerer boxes("No");
    ObjectCensus census;
    const auto showDay = [&](const QDate& day) {
        m_window->findChild<GUI::ArchivePanel*>()->setCurrentDate(day);
        QTRY_COMPARE(census.alive(kClient), 0);
    };
    showDay(kDay.addDays(-1));
    QCOMPARE(m_server.requests().size(), 2);
    QCOMPARE(boxes.count(), 0);
    QVERIFY(!shows("Found 12 records"));
    QVERIFY(!widget()->findChild<QPushButton*>()->isVisible());

    // Closing the searched player ends its search; closing all later touches nothing of it.
    showDay(kDay);
    search();
    QTRY_VERIFY(shows("Found 12 records"));
    QSignalSpy closed(panel(), &ControlPanel::searchClosed);
    m_window->findChild<GUI::VideoContainer*>()->players().first()->close();
    QCOMPARE(closed.size(), 1);
    QCOMPARE(boxes.count(), 0);
    m_window->removeAllCameras();
    QCOMPARE(closed.size(), 2);
}

void tst_ControlPanelSearch::clickPlaysTheHits()
{
    open({camera(3, "Door"), camera(4, "Gate")});
    search();
    QTRY_VERIFY(shows("Found 12 records"));
    m_source.clearRequests();
    // Inside hit 3 (08:00:01 to 08:20:01); the other camera's record from 08:10:01 to 09:10:01 spans the end of
    // hit 3 and the start of hit 4, its record from 10:05:01 to 10:10:01 lies inside hit 5.
    timeline()->playTime(at("08:10:00"));
    QStringList entries;
    for (const GUI::PlaylistEntry& entry : panel()->playlist()) {
        entries << QString("%1 %2 %3-%4")
                       .arg(entry.camera->id())
                       .arg(entry.record->startId())
                       .arg(entry.startTime.toLocalTime().toString("hh:mm:ss"),
                            entry.record->end().toLocalTime().toString("hh:mm:ss"));
    }
    QCOMPARE(entries.mid(0, 4), QStringList({"3 140 08:10:00-08:20:01", "4 1 08:10:01-08:20:01",
                                             "3 160 09:00:01-09:20:01", "4 1 09:00:01-09:10:01"}));
    QCOMPARE(entries.filter(QRegularExpression("^4 ")).size(), 3);
    QVERIFY(entries.contains("4 2 10:05:01-10:10:01"));

    // Both players ask their stretch in turn, each with its record's ids.
    QTRY_COMPARE_WITH_TIMEOUT(m_source.requestCount("/flv/archive"), 2, 15000);
    const QList<FlvStreamSource::Request> played = m_source.requests();
    QStringList asked;
    for (const FlvStreamSource::Request& request : played) {
        if (request.path == "/flv/archive")
            asked << request.query.queryItemValue("camera") + ' ' + request.query.queryItemValue("startId") + ' ' +
                         request.query.queryItemValue("startTime");
    }
    QCOMPARE(asked, QStringList({"3 140 " + secs(at("08:10:00")), "4 1 " + secs(at("08:10:01"))}));
}

QUORVEL_TEST_MAIN(tst_ControlPanelSearch)
#include "tst_ControlPanelSearch.moc"
