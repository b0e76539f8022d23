// Presses, drags and hovers go through the window system layer, as a real pointer's do.
#define QTEST_QPA_MOUSE_HANDLING

#include "gui/playback/widgets/Timeline.h"
#include "support/MessageCapture.h"
#include "support/TestEnvironment.h"

#include <QContextMenuEvent>
#include <QSignalSpy>
#include <QToolTip>
#include <QWheelEvent>

using QuorvelClient::GUI::Timeline;

class tst_Timeline : public QObject
{
    Q_OBJECT
private slots:
    void zoomAndScroll_data();
    void zoomAndScroll();
    void animatedMoves_data();
    void animatedMoves();
    void showSelection_data();
    void showSelection();
    void handleDrags_data();
    void handleDrags();
    void snapTime_data();
    void snapTime();
    void clicks_data();
    void clicks();
    void bars();
    void overlaysCursorsAndTooltips();
    void layerIsDrawnOnlyWhenItChanges();
    void badInput();
};

namespace {

const QDate kDay(2024, 5, 15);
const QuorvelClient::Core::camera_global_id_t kCamA(QStringLiteral("a"), 1);
const QuorvelClient::Core::camera_global_id_t kCamB(QStringLiteral("b"), 1);

// "hh:mm:ss" on the test day; a suffix "+1" or "-1" moves it a day.
QDateTime at(const QString& text)
{
    return QDateTime(kDay.addDays(text.mid(8).toInt()), QTime::fromString(text.left(8), QStringLiteral("hh:mm:ss")));
}

QString stamp(const QDateTime& t)
{
    return t.date() == kDay ? t.toString(QStringLiteral("hh:mm:ss")) : t.toString(Qt::ISODate);
}

QString range(const QDateTime& from, const QDateTime& to)
{
    return stamp(from) + '-' + stamp(to);
}

struct Shown
{
    Timeline line{kDay};
    explicit Shown(int width = 930)
    {
        line.resize(width, 40);
        line.show();
        QVERIFY(QTest::qWaitForWindowExposed(&line));
    }
    QString view() const { return range(line.startValue(), line.endValue()); }
    QString selection() const { return range(line.selectionStart(), line.selectionEnd()); }
    void setView(const QString& view)
    {
        line.setStartValue(at(view.left(8)));
        line.setEndValue(at(view.mid(9)));
    }
    QImage shot() { return line.grab().toImage(); }
    void wheel(int x, int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QPoint pos(x, 20);
        QWheelEvent event(pos, line.mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&line, &event);
    }
    void drag(int from, int to)
    {
        QTest::mouseMove(&line, QPoint(from, 20));
        QTest::mousePress(&line, Qt::LeftButton, Qt::NoModifier, QPoint(from, 20));
        QTest::mouseMove(&line, QPoint(to, 20));
        QTest::mouseRelease(&line, Qt::LeftButton, Qt::NoModifier, QPoint(to, 20));
    }
    // A 5-minute selection 11:57:00 to 12:02:00 on a 30-minute view from 11:44:30 (2 s a pixel, 11:57 at x 390).
    void selectAtNoon()
    {
        line.addRecord(kCamA, at("11:00:00"), at("13:00:00"), 1, false);
        QVERIFY(line.showSelection(false, false));
        QTRY_COMPARE(view(), QStringLiteral("11:44:30-12:14:30"));
        QTRY_VERIFY(line.scaleStep() <= 3600);
    }
};

// One row of a data table.
template <typename... Values> void row(const char* name, Values... values)
{
    (QTest::newRow(name) << ... << values);
}

// What a pixel shows: bars in pink, blue, green or red, the white veil, the orange marker, the selection's
// half-transparent orange band, or '.' for the background and anything else.
char look(QRgb p, QRgb background)
{
    const int r = qRed(p), g = qGreen(p), b = qBlue(p);
    if (p == background)
        return '.';
    if (r > 240 && qAbs(g - 165) < 12 && b < 20)
        return 'o';
    if (r > 240 && b + 40 < g)
        return 's';
    if (qMin(r, qMin(g, b)) > 200)
        return 'w';
    if (b > 240 && r < 160)
        return 'b';
    if (r > 240 && b > g + 5 && g < 200)
        return 'p';
    if (g > r + 50 && g > b + 30)
        return 'g';
    return r > 200 && g < 60 && b < 60 ? 'r' : '.';
}

// The looks of row 30 at the given times, or at every x.
QString looks(Shown& shown, const QStringList& times = {})
{
    const QImage image = shown.shot();
    QString result;
    for (const QString& time : times)
        result += look(image.pixel(shown.line.timeToX(at(time)), 30), image.pixel(0, 30));
    for (int x = 0; times.isEmpty() && x < image.width(); ++x)
        result += look(image.pixel(x, 30), image.pixel(0, 30));
    return result;
}

} // namespace

void tst_Timeline::zoomAndScroll_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("view");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("result");
    const char* day = "00:00:00-23:59:59";
    row("zoom out 60 s by 1.2", 930, "12:00:00-12:01:00", "out", "11:59:54-12:01:06");
    row("zoom out 61 s by 1.5", 930, "12:00:00-12:01:01", "out", "11:59:45-12:01:16");
    row("zoom out whole day", 930, day, "out", day);
    row("zoom in under 600 s", 930, "12:00:00-12:09:59", "in", "12:00:00-12:09:59");
    row("zoom in 650 s", 930, "12:00:00-12:10:50", "in", "12:01:49-12:09:01");
    row("zoom in 650 s over 2 screens", 1200, "12:00:00-12:10:50", "in", "12:00:00-12:10:50");
    row("scroll earlier at midnight", 930, "00:00:00-01:00:00", "earlier", "00:00:00-01:00:00");
    row("scroll earlier 100 s left", 930, "00:01:40-01:01:40", "earlier", "00:00:00-01:00:00");
    row("scroll later 100 s left", 930, "22:58:19-23:58:19", "later", "22:59:59-23:59:59");
    row("scroll later one hour", 930, "10:00:00-11:00:00", "later", "10:02:30-11:02:30");
    row("wheel in right strip", 930, day, "wheel 910 120", "08:00:00-23:59:59");
    row("wheel in left margin", 930, day, "wheel 10 120", "00:00:00-15:59:59");
    row("wheel half notch", 930, day, "wheel 465 60", day);
    row("wheel two half notches", 930, day, "wheel 465 60 60", "04:00:00-19:59:59");
    row("ctrl wheel later", 930, "10:00:00-11:00:00", "ctrl 120", "10:02:30-11:02:30");
    row("ctrl wheel earlier", 930, "10:00:00-11:00:00", "ctrl -120", "09:57:30-10:57:30");
    row("drag pans later", 930, "10:00:00-11:00:00", "drag 500 400", "10:06:40-11:06:40");
}

void tst_Timeline::zoomAndScroll()
{
    QFETCH(int, width);
    QFETCH(QString, view);
    QFETCH(QString, action);
    Shown shown(width);
    shown.setView(view);
    const QStringList words = action.split(' ');
    if (action == "in")
        shown.line.zoomIn();
    else if (action == "out")
        shown.line.zoomOut();
    else if (action == "earlier")
        shown.line.scrollRight();
    else if (action == "later")
        shown.line.scrollLeft();
    else if (words[0] == "wheel")
        for (int i = 2; i < words.size(); ++i)
            shown.wheel(words[1].toInt(), words[i].toInt());
    else if (words[0] == "ctrl")
        shown.wheel(465, words[1].toInt(), Qt::ControlModifier);
    else
        shown.drag(words[1].toInt(), words[2].toInt());
    QTEST(shown.view(), "result");
}

void tst_Timeline::animatedMoves_data()
{
    QTest::addColumn<QString>("view");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("result");
    row("5-minute selection", "00:00:00-23:59:59", "selection", "11:44:30-12:14:30");
    row("10-minute range", "00:00:00-23:59:59", "14:00:00-14:10:00", "13:59:00-14:11:00");
    row("range far earlier", "20:00:00-20:12:00", "08:00:00-08:10:00", "07:59:00-08:11:00");
}

void tst_Timeline::animatedMoves()
{
    QFETCH(QString, view);
    QFETCH(QString, shown);
    QFETCH(QString, result);
    Shown timeline;
    timeline.setView(view);
    if (shown == "selection") {
        timeline.line.addRecord(kCamA, at("11:00:00"), at("13:00:00"), 1, false);
        QVERIFY(timeline.line.showSelection(false, false));
    } else {
        timeline.line.showRange(at(shown.left(8)), at(shown.mid(9)));
    }
    // Every value on the way lies between where a bound was and where it goes.
    auto between = [](const QDateTime& t, const QString& a, const QString& b) {
        return t.isValid() && qMin(at(a), at(b)) <= t && t <= qMax(at(a), at(b));
    };
    QElapsedTimer timer;
    timer.start();
    while (timeline.view() != result && timer.elapsed() < 5000) {
        QTest::qWait(3);
        QVERIFY2(between(timeline.line.startValue(), view.left(8), result.left(8)), qPrintable(timeline.view()));
        QVERIFY2(between(timeline.line.endValue(), view.mid(9), result.mid(9)), qPrintable(timeline.view()));
    }
    QCOMPARE(timeline.view(), result);
}

void tst_Timeline::showSelection_data()
{
    QTest::addColumn<bool>("aroundCurrent");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("selection");
    row("around 00:01 of the next day", true, "00:01:00+1", "10:00:00", "23:54:59-23:59:59");
    row("record through the middle", false, "", "11:00:00", "11:57:00-12:02:00");
    row("record after the middle", false, "", "14:00:00", "14:00:00-14:05:00");
    row("record before the middle", false, "", "08:00:30", "08:00:00-08:05:00");
    row("archive on another day", false, "", "10:00:00-1", "");
    row("no records", true, "12:00:00", "", "");
}

void tst_Timeline::showSelection()
{
    QFETCH(bool, aroundCurrent);
    QFETCH(QString, current);
    QFETCH(QString, record);
    QFETCH(QString, selection);
    Shown shown;
    shown.line.setCurrentValue(at(current));
    if (!record.isEmpty())
        shown.line.addRecord(kCamA, at(record), at(record).addSecs(3600), 1, false);
    TestSupport::MessageCapture log;
    QCOMPARE(shown.line.showSelection(aroundCurrent, false), !selection.isEmpty());
    QTest::qWait(600);
    QCOMPARE(looks(shown).contains('s'), !selection.isEmpty());
    if (!selection.isEmpty()) {
        QCOMPARE(shown.selection(), selection);
        QVERIFY(log.contains("Selection start:"));
    }
}

void tst_Timeline::handleDrags_data()
{
    QTest::addColumn<bool>("lateInTheDay");
    QTest::addColumn<QString>("drags");
    QTest::addColumn<QString>("selection");
    // At noon: 11:57:00-12:02:00 on 11:44:30-12:14:30, 2 s a pixel, the handles at x 390 and 540.
    row("end to 30 s after the start moves all", false, "540 405", "11:52:30-11:57:30");
    row("end 5 px from a line snaps", false, "540 625", "11:57:00-12:05:00");
    row("end 7 px from a line stays", false, "540 623", "11:57:00-12:04:46");
    row("start 5 px from a line snaps", false, "390 335", "11:55:00-12:02:00");
    row("start 6 px from a line stays", false, "390 336", "11:55:12-12:02:00");
    row("inside moves all", false, "465 515", "11:58:40-12:03:40");
    // Late: 22:57:00-23:02:00 on 20:00:00-23:59:59, 16 s a pixel, the start handle at x 678.
    row("start out to 2 hours", true, "678 248", "21:02:07-23:02:00");
    row("start past 2 hours moves all", true, "678 248 249 200", "20:49:19-22:49:12");
    row("past midnight shortens", true, "678 248 249 200 470 925", "22:47:59-23:59:59");
}

void tst_Timeline::handleDrags()
{
    QFETCH(bool, lateInTheDay);
    QFETCH(QString, drags);
    Shown shown;
    if (lateInTheDay) {
        shown.line.addRecord(kCamA, at("20:00:00"), at("23:00:00"), 1, false);
        shown.line.setCurrentValue(at("23:00:00"));
        QVERIFY(shown.line.showSelection(true, false));
        QTRY_COMPARE(shown.view(), QStringLiteral("22:44:30-23:14:30"));
        shown.setView("20:00:00-23:59:59");
    } else {
        shown.selectAtNoon();
    }
    const QStringList xs = drags.split(' ');
    for (int i = 0; i + 1 < xs.size(); i += 2)
        shown.drag(xs[i].toInt(), xs[i + 1].toInt());
    QTEST(shown.selection(), "selection");
}

void tst_Timeline::snapTime_data()
{
    QTest::addColumn<QString>("time");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("snapped");
    row("5: minute 2", "12:02:59", 5, "12:00:00");
    row("5: minute 3", "12:03:00", 5, "12:05:00");
    row("5: minute 7", "12:07:59", 5, "12:05:00");
    row("5: minute 58", "10:58:00", 5, "11:00:00");
    row("30: 23:50", "23:50:00", 30, "23:59:59");
}

void tst_Timeline::snapTime()
{
    QFETCH(QString, time);
    QFETCH(int, step);
    QTEST(stamp(Timeline(kDay).snapTime(at(time), step)), "snapped");
}

void tst_Timeline::clicks_data()
{
    QTest::addColumn<int>("press");
    QTest::addColumn<int>("release");
    QTest::addColumn<int>("holdMs");
    QTest::addColumn<bool>("plays");
    // Under 333 ms counts; the short press stays well below it so that a loaded machine does not make it long.
    row("short and still", 98, 100, 200, true);
    row("held 400 ms", 98, 100, 400, false);
    row("in the margin", 10, 10, 0, false);
    row("moved 4 px", 96, 100, 0, false);
}

void tst_Timeline::clicks()
{
    QFETCH(int, press);
    QFETCH(int, release);
    QFETCH(int, holdMs);
    QFETCH(bool, plays);
    Shown shown;
    QSignalSpy played(&shown.line, &Timeline::playTime);
    TestSupport::MessageCapture log;
    QTest::mouseMove(&shown.line, QPoint(press, 20));
    QTest::mousePress(&shown.line, Qt::LeftButton, Qt::NoModifier, QPoint(press, 20));
    QTest::qWait(holdMs);
    QTest::mouseRelease(&shown.line, Qt::LeftButton, Qt::NoModifier, QPoint(release, 20));
    QCOMPARE(played.count(), plays ? 1 : 0);
    QCOMPARE(log.contains("current time:"), plays);
    if (plays) {
        QCOMPARE(played.at(0).at(0).toDateTime(), shown.line.xToTime(100));
        QCOMPARE(shown.line.currentValue(), shown.line.xToTime(100));
    }
}

void tst_Timeline::bars()
{
    Shown shown;
    QCOMPARE(shown.line.timeToX(at("12:00:00")), 465);
    QCOMPARE(shown.line.xToTime(465), at("11:59:59"));
    shown.line.addRecord(kCamA, at("01:00:00"), at("03:00:00"), 2, false);
    shown.line.addRecord(kCamB, at("02:00:00"), at("04:00:00"), 1, false);
    shown.line.addRecord(kCamB, at("05:00:00"), at("06:00:00"), 2, false);
    shown.line.addRecord(kCamB, at("07:00:00"), at("08:00:00"), 3, false);
    shown.line.addRecord(kCamB, at("10:00:00"), at("10:00:10"), 1, false);
    shown.line.setActiveCamera(kCamB);
    const QStringList times = {"01:30:00", "02:30:00", "03:30:00", "05:30:00", "07:30:00", "15:00:00"};
    QCOMPARE(looks(shown, times), QStringLiteral("pbbgr."));
    // A bar shorter than a pixel is one pixel wide.
    QCOMPARE(looks(shown).mid(shown.line.timeToX(at("10:00:00")) - 1, 3), QStringLiteral(".b."));

    // Search mode veils the day but for the first camera's results; the empty veil before a result at midnight
    // covers nothing of it.
    shown.line.setSearchMode(true);
    QCOMPARE(looks(shown, times), QStringLiteral("wwwwww"));
    shown.line.addRecord(kCamB, at("00:00:00"), at("03:00:00"), 1, true);
    QCOMPARE(looks(shown, QStringList{"00:00:00"} + times), QStringLiteral("bbbwwww"));
}

void tst_Timeline::overlaysCursorsAndTooltips()
{
    Shown shown;
    // The marker stands at the current time, and is absent once that is past the view.
    shown.line.setSliderVisible(true);
    shown.line.setCurrentValue(at("12:00:00"));
    QCOMPARE(looks(shown).indexOf('o'), 464);
    shown.setView("10:00:00-11:00:00");
    QVERIFY(!looks(shown).contains('o'));
    shown.setView("00:00:00-23:59:59");

    // Hovering shows the time under the pointer, but not in the margins.
    QTest::mouseMove(&shown.line, QPoint(465, 20));
    QTRY_COMPARE(QToolTip::text(), QStringLiteral("11:59:59 15.05.2024"));
    QCOMPARE(shown.line.cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(&shown.line, QPoint(5, 20));
    QCOMPARE(shown.line.cursor().shape(), Qt::ArrowCursor);

    shown.selectAtNoon();
    for (auto [x, shape] : {std::pair{390, Qt::SplitHCursor},
                            {550, Qt::SplitHCursor},
                            {465, Qt::OpenHandCursor},
                            {700, Qt::PointingHandCursor}}) {
        QTest::mouseMove(&shown.line, QPoint(x, 20));
        QVERIFY2(shown.line.cursor().shape() == shape, qPrintable(QString::number(x)));
    }

    // A press on the selection grabs it and plays nothing, even right after a click.
    QSignalSpy played(&shown.line, &Timeline::playTime);
    QTest::mouseClick(&shown.line, Qt::LeftButton, Qt::NoModifier, QPoint(700, 20));
    QTest::mouseClick(&shown.line, Qt::LeftButton, Qt::NoModifier, QPoint(465, 20));
    QCOMPARE(played.count(), 1);

    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(100, 20), shown.line.mapToGlobal(QPoint(100, 20)));
    QApplication::sendEvent(&shown.line, &menu);
    QVERIFY(menu.isAccepted());
}

void tst_Timeline::layerIsDrawnOnlyWhenItChanges()
{
    Shown shown;
    shown.line.addRecord(kCamA, at("01:00:00"), at("03:00:00"), 1, false);
    shown.line.repaint();
    const int draws = shown.line.layerDraws();
    shown.line.setSliderVisible(true);
    for (int i = 0; i < 100; ++i)
        QTest::mouseMove(&shown.line, QPoint(20 + i * 8, 20));
    for (int i = 0; i < 10; ++i) {
        shown.line.setCurrentValue(at("12:00:00").addSecs(i * 60));
        shown.line.repaint();
    }
    QCOMPARE(shown.line.layerDraws(), draws);
    for (int i = 0; i < 100; ++i)
        shown.line.addRecord(kCamB, at("04:00:00").addSecs(i * 60), at("04:00:30").addSecs(i * 60), 1, false);
    shown.line.repaint();
    QCOMPARE(shown.line.layerDraws(), draws + 1);
}

void tst_Timeline::badInput()
{
    Shown shown;
    TestSupport::MessageCapture log;
    shown.line.addRecord(kCamA, QDateTime(), at("03:00:00"), 1, false);
    QVERIFY(log.contains("invalid time"));
    shown.line.addRecord(kCamA, at("03:00:00"), at("02:00:00"), 1, false);
    QVERIFY(!shown.line.showSelection(false, false));
    shown.line.setDate(QDate());
    QVERIFY(log.contains("invalid date"));
    QCOMPARE(shown.line.startValue(), at("00:00:00"));
    shown.line.showRange(at("14:00:00"), at("13:00:00"));
    shown.line.showRange(QDateTime(), at("13:00:00"));
    shown.line.setSliderVisible(true);
    shown.line.setCurrentValue(QDateTime());
    QTest::qWait(600);
    QCOMPARE(shown.view(), QStringLiteral("00:00:00-23:59:59"));
    QVERIFY(!looks(shown).contains('o'));

    // The running clock counts from 0 again when the count falls.
    shown.line.setCurrentValue(at("12:00:00"));
    shown.line.addMSecs(5000);
    shown.line.addMSecs(3000);
    QCOMPARE(shown.line.currentValue(), at("12:00:08"));

    // Too narrow to map, or no size at all.
    shown.line.resize(20, 40);
    QCOMPARE(shown.line.xToTime(10), shown.line.startValue());
    shown.line.resize(0, 0);
    shown.line.repaint();
    shown.shot();
}

QUORVEL_TEST_MAIN(tst_Timeline)
#include "tst_Timeline.moc"
