// Presses, drags and hovers go through the window system layer, as a real pointer's do.
#define QTEST_QPA_MOUSE_HANDLING

#include "gui/playback/Timeline.h"
#include "support/MessageCapture.h"
#include "support/TestEnvironment.h"

#include <QContextMenuEvent>
#include <QPushButton>
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
    void selectionStaysInTheDay();
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
const QTime kLast(23, 59, 59);
const QuorvelClient::Core::camera_global_id_t kCamA(QStringLiteral("a"), 1);
const QuorvelClient::Core::camera_global_id_t kCamB(QStringLiteral("b"), 1);

QDateTime at(const char* time, int days = 0)
{
    return QDateTime(kDay.addDays(days), QTime::fromString(QLatin1String(time), QStringLiteral("hh:mm:ss")));
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
    void view(const QDateTime& start, const QDateTime& end)
    {
        line.setStartValue(start);
        line.setEndValue(end);
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
        QTRY_COMPARE(line.endValue(), at("12:14:30"));
        QTRY_VERIFY(line.scaleStep() <= 3600);
    }
};

bool isOrange(QRgb p)
{
    return qRed(p) > 240 && qAbs(qGreen(p) - 165) < 12 && qBlue(p) < 20;
}

int orangeInRow(const QImage& image, int y)
{
    int n = 0;
    for (int x = 0; x < image.width(); ++x)
        n += isOrange(image.pixel(x, y));
    return n;
}

} // namespace

void tst_Timeline::zoomAndScroll_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QDateTime>("end");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QDateTime>("newStart");
    QTest::addColumn<QDateTime>("newEnd");
    const QDateTime day0 = at("00:00:00");
    const QDateTime day1 = kDay.endOfDay().addMSecs(-999);
    QTest::newRow("zoom out 60 s by 1.2")
        << 930 << at("12:00:00") << at("12:01:00") << "out" << at("11:59:54") << at("12:01:06");
    QTest::newRow("zoom out 61 s by 1.5")
        << 930 << at("12:00:00") << at("12:01:01") << "out" << at("11:59:45") << at("12:01:16");
    QTest::newRow("zoom out whole day") << 930 << day0 << day1 << "out" << day0 << day1;
    QTest::newRow("zoom in whole day") << 930 << day0 << day1 << "in" << at("04:00:00") << at("19:59:59");
    QTest::newRow("zoom in under 600 s") << 930 << at("12:00:00") << at("12:09:59") << "in" << at("12:00:00")
                                         << at("12:09:59");
    QTest::newRow("zoom in 650 s") << 930 << at("12:00:00") << at("12:10:50") << "in" << at("12:01:49")
                                   << at("12:09:01");
    QTest::newRow("zoom in 650 s past two screens")
        << 1200 << at("12:00:00") << at("12:10:50") << "in" << at("12:00:00") << at("12:10:50");
    QTest::newRow("scroll earlier at midnight") << 930 << day0 << at("01:00:00") << "earlier" << day0 << at("01:00:00");
    QTest::newRow("scroll earlier 100 s left")
        << 930 << at("00:01:40") << at("01:01:40") << "earlier" << day0 << at("01:00:00");
    QTest::newRow("scroll later 100 s left")
        << 930 << at("22:58:19") << at("23:58:19") << "later" << at("22:59:59") << day1;
    QTest::newRow("scroll later one hour")
        << 930 << at("10:00:00") << at("11:00:00") << "later" << at("10:02:30") << at("11:02:30");
    QTest::newRow("wheel in right strip") << 930 << day0 << day1 << "wheel 910 120" << at("08:00:00") << day1;
    QTest::newRow("wheel in left margin") << 930 << day0 << day1 << "wheel 10 120" << day0 << at("15:59:59");
    QTest::newRow("wheel right strip of a zoomed view")
        << 930 << at("10:00:00") << at("11:00:00") << "wheel 910 120" << at("10:20:00") << at("11:00:00");
    QTest::newRow("wheel half notch") << 930 << day0 << day1 << "wheel 465 60" << day0 << day1;
    QTest::newRow("wheel two half notches")
        << 930 << day0 << day1 << "wheel 465 60 60" << at("04:00:00") << at("19:59:59");
    QTest::newRow("ctrl wheel later") << 930 << at("10:00:00") << at("11:00:00") << "ctrl 120" << at("10:02:30")
                                      << at("11:02:30");
    QTest::newRow("ctrl wheel earlier") << 930 << at("10:00:00") << at("11:00:00") << "ctrl -120" << at("09:57:30")
                                        << at("10:57:30");
    QTest::newRow("drag pans later") << 930 << at("10:00:00") << at("11:00:00") << "drag 500 400" << at("10:06:40")
                                     << at("11:06:40");
}

void tst_Timeline::zoomAndScroll()
{
    QFETCH(int, width);
    QFETCH(QDateTime, start);
    QFETCH(QDateTime, end);
    QFETCH(QString, action);
    QFETCH(QDateTime, newStart);
    QFETCH(QDateTime, newEnd);
    Shown shown(width);
    shown.view(start, end);
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
    QCOMPARE(shown.line.startValue(), newStart);
    QCOMPARE(shown.line.endValue(), newEnd);
}

void tst_Timeline::animatedMoves_data()
{
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QDateTime>("end");
    QTest::addColumn<QDateTime>("from");
    QTest::addColumn<QDateTime>("to");
    QTest::addColumn<QDateTime>("newStart");
    QTest::addColumn<QDateTime>("newEnd");
    // An invalid `to` stands for showSelection with a record through the middle of the view.
    QTest::newRow("selection on the whole day")
        << at("00:00:00") << at("23:59:59") << QDateTime() << QDateTime() << at("11:44:30") << at("12:14:30");
    QTest::newRow("range of 10 minutes") << at("00:00:00") << at("23:59:59") << at("14:00:00") << at("14:10:00")
                                         << at("13:59:00") << at("14:11:00");
    QTest::newRow("range far later") << at("08:00:00") << at("08:12:00") << at("20:00:00") << at("20:10:00")
                                     << at("19:59:00") << at("20:11:00");
    QTest::newRow("range far earlier") << at("20:00:00") << at("20:12:00") << at("08:00:00") << at("08:10:00")
                                       << at("07:59:00") << at("08:11:00");
}

void tst_Timeline::animatedMoves()
{
    QFETCH(QDateTime, start);
    QFETCH(QDateTime, end);
    QFETCH(QDateTime, from);
    QFETCH(QDateTime, to);
    QFETCH(QDateTime, newStart);
    QFETCH(QDateTime, newEnd);
    Shown shown;
    shown.view(start, end);
    if (to.isValid()) {
        shown.line.showRange(from, to);
    } else {
        shown.line.addRecord(kCamA, at("11:00:00"), at("13:00:00"), 1, false);
        QVERIFY(shown.line.showSelection(false, false));
    }
    // Every value on the way lies between where the view was and where it goes.
    auto within = [](const QDateTime& t, const QDateTime& a, const QDateTime& b) {
        return t.isValid() && qMin(a, b) <= t && t <= qMax(a, b);
    };
    QElapsedTimer timer;
    timer.start();
    while ((shown.line.startValue() != newStart || shown.line.endValue() != newEnd) && timer.elapsed() < 5000) {
        QTest::qWait(3);
        QVERIFY2(within(shown.line.startValue(), start, newStart), qPrintable(shown.line.startValue().toString()));
        QVERIFY2(within(shown.line.endValue(), end, newEnd), qPrintable(shown.line.endValue().toString()));
    }
    QCOMPARE(shown.line.startValue(), newStart);
    QCOMPARE(shown.line.endValue(), newEnd);
}

void tst_Timeline::showSelection_data()
{
    QTest::addColumn<bool>("aroundCurrent");
    QTest::addColumn<QDateTime>("current");
    QTest::addColumn<QDateTime>("recordStart");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QDateTime>("end");
    QTest::newRow("around the time near midnight")
        << true << at("00:01:00", 1) << at("10:00:00") << true << at("23:54:59") << at("23:59:59");
    QTest::newRow("record through the middle")
        << false << QDateTime() << at("11:00:00") << true << at("11:57:00") << at("12:02:00");
    QTest::newRow("record after the middle")
        << false << QDateTime() << at("14:00:00") << true << at("14:00:00") << at("14:05:00");
    QTest::newRow("record before the middle")
        << false << QDateTime() << at("08:00:30") << true << at("08:00:00") << at("08:05:00");
    QTest::newRow("archive on another day")
        << false << QDateTime() << at("10:00:00", -1) << false << QDateTime() << QDateTime();
    QTest::newRow("no records") << true << at("12:00:00") << QDateTime() << false << QDateTime() << QDateTime();
}

void tst_Timeline::showSelection()
{
    QFETCH(bool, aroundCurrent);
    QFETCH(QDateTime, current);
    QFETCH(QDateTime, recordStart);
    QFETCH(bool, shown);
    QFETCH(QDateTime, start);
    QFETCH(QDateTime, end);
    Shown timeline;
    timeline.line.setCurrentValue(current);
    if (recordStart.isValid())
        timeline.line.addRecord(kCamA, recordStart, recordStart.addSecs(3600), 1, false);
    TestSupport::MessageCapture log;
    QCOMPARE(timeline.line.showSelection(aroundCurrent, false), shown);
    QTest::qWait(600);
    QCOMPARE(orangeInRow(timeline.shot(), 30) > 0, shown);
    if (shown) {
        QCOMPARE(timeline.line.selectionStart(), start);
        QCOMPARE(timeline.line.selectionEnd(), end);
        QVERIFY(log.contains("Selection start:"));
    }
}

void tst_Timeline::handleDrags_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QDateTime>("end");
    QTest::newRow("end to 30 s after the start moves all") << 540 << 405 << at("11:52:30") << at("11:57:30");
    QTest::newRow("end 5 px from a line snaps") << 540 << 625 << at("11:57:00") << at("12:05:00");
    QTest::newRow("end 7 px from a line stays") << 540 << 623 << at("11:57:00") << at("12:04:46");
    QTest::newRow("start 5 px from a line snaps") << 390 << 335 << at("11:55:00") << at("12:02:00");
    QTest::newRow("start 6 px from a line stays") << 390 << 336 << at("11:55:12") << at("12:02:00");
    QTest::newRow("inside moves all") << 465 << 515 << at("11:58:40") << at("12:03:40");
}

void tst_Timeline::handleDrags()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QDateTime, start);
    QFETCH(QDateTime, end);
    Shown shown;
    shown.selectAtNoon();
    shown.drag(from, to);
    QCOMPARE(shown.line.selectionStart(), start);
    QCOMPARE(shown.line.selectionEnd(), end);
}

void tst_Timeline::selectionStaysInTheDay()
{
    Shown shown;
    shown.line.addRecord(kCamA, at("20:00:00"), at("23:00:00"), 1, false);
    shown.line.setCurrentValue(at("23:00:00"));
    QVERIFY(shown.line.showSelection(true, false));
    QTRY_COMPARE(shown.line.endValue(), at("23:14:30"));
    // On a view of the day's last four hours (16 s a pixel) the start handle goes out to two hours...
    shown.view(at("20:00:00"), at("23:59:59"));
    shown.drag(678, 248);
    QCOMPARE(shown.line.selectionStart(), at("21:02:07"));
    QCOMPARE(shown.line.selectionEnd(), at("23:02:00"));
    // ...and no further: beyond that the whole selection follows.
    shown.drag(248, 200);
    QCOMPARE(shown.line.selectionStart().secsTo(shown.line.selectionEnd()), 7193);
    // Dragged past midnight it ends at the day's last second, shortened.
    shown.drag(470, 925);
    QCOMPARE(shown.line.selectionEnd(), at("23:59:59"));
    QVERIFY(shown.line.selectionStart().secsTo(shown.line.selectionEnd()) < 7193);
}

void tst_Timeline::snapTime_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<int>("step");
    QTest::addColumn<QDateTime>("snapped");
    QTest::newRow("5: minute 0") << at("12:00:59") << 5 << at("12:00:00");
    QTest::newRow("5: minute 2") << at("12:02:30") << 5 << at("12:00:00");
    QTest::newRow("5: minute 3") << at("12:03:00") << 5 << at("12:05:00");
    QTest::newRow("5: minute 7") << at("12:07:59") << 5 << at("12:05:00");
    QTest::newRow("5: minute 58") << at("10:58:00") << 5 << at("11:00:00");
    QTest::newRow("15: minute 23") << at("10:23:00") << 15 << at("10:30:00");
    QTest::newRow("30: 23:50") << at("23:50:00") << 30 << at("23:59:59");
}

void tst_Timeline::snapTime()
{
    QFETCH(QDateTime, time);
    QFETCH(int, step);
    QFETCH(QDateTime, snapped);
    Timeline line(kDay);
    QCOMPARE(line.snapTime(time, step), snapped);
}

void tst_Timeline::clicks_data()
{
    QTest::addColumn<int>("press");
    QTest::addColumn<int>("release");
    QTest::addColumn<int>("holdMs");
    QTest::addColumn<bool>("plays");
    // Under 333 ms counts; the short press stays well below it so that a loaded machine does not make it long.
    QTest::newRow("short and still") << 98 << 100 << 200 << true;
    QTest::newRow("held 400 ms") << 98 << 100 << 400 << false;
    QTest::newRow("in the margin") << 10 << 10 << 0 << false;
    QTest::newRow("moved 4 px") << 96 << 100 << 0 << false;
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
    auto pixel = [&](const QImage& image, const char* time) { return image.pixel(shown.line.timeToX(at(time)), 30); };
    auto pink = [](QRgb p) { return qRed(p) > 240 && qBlue(p) > qGreen(p) + 5 && qGreen(p) < 200; };
    auto blue = [](QRgb p) { return qBlue(p) > 240 && qRed(p) < 160; };
    QImage image = shown.shot();
    QVERIFY(pink(pixel(image, "01:30:00")));
    QVERIFY(blue(pixel(image, "02:30:00")));
    QVERIFY(blue(pixel(image, "03:30:00")));
    const QRgb green = pixel(image, "05:30:00");
    QVERIFY(qGreen(green) > qRed(green) + 50 && qGreen(green) > qBlue(green) + 30);
    const QRgb red = pixel(image, "07:30:00");
    QVERIFY(qRed(red) > 200 && qGreen(red) < 60 && qBlue(red) < 60);
    const int tiny = shown.line.timeToX(at("10:00:00"));
    QVERIFY(blue(image.pixel(tiny, 30)));
    QVERIFY(!blue(image.pixel(tiny + 1, 30)) && !blue(image.pixel(tiny - 1, 30)));
    const QRgb empty = image.pixel(shown.line.timeToX(at("15:00:00")), 30);

    // Search mode without results veils the whole day; with results only the found stretches stand out, and the
    // empty veil before a result at midnight covers nothing of it.
    shown.line.setSearchMode(true);
    image = shown.shot();
    auto veiled = [](QRgb p) { return qMin(qRed(p), qMin(qGreen(p), qBlue(p))) > 200; };
    for (const char* time : {"01:30:00", "02:30:00", "05:30:00"})
        QVERIFY(veiled(pixel(image, time)));
    shown.line.addRecord(kCamB, at("00:00:00"), at("03:00:00"), 1, true);
    image = shown.shot();
    QVERIFY(blue(image.pixel(15, 30)));
    QVERIFY(blue(pixel(image, "02:30:00")));
    QVERIFY(veiled(pixel(image, "03:30:00")));
    QVERIFY(pixel(image, "15:00:00") != empty);
}

void tst_Timeline::overlaysCursorsAndTooltips()
{
    Shown shown;
    // The marker stands at the current time, and is absent once that is past the view.
    shown.line.setSliderVisible(true);
    shown.line.setCurrentValue(at("12:00:00"));
    QVERIFY(isOrange(shown.shot().pixel(465, 30)));
    shown.view(at("10:00:00"), at("11:00:00"));
    QCOMPARE(orangeInRow(shown.shot(), 30), 0);
    shown.view(at("00:00:00"), at("23:59:59"));

    // The day's scale ends with its end label at the last second.
    int dark = 0;
    const QImage scale = shown.shot();
    for (int x = 905; x < 930; ++x)
        for (int y = 7; y < 19; ++y)
            dark += qGray(scale.pixel(x, y)) < 110;
    QVERIFY(dark > 5);

    // Hovering shows the time under the pointer, but not in the margins.
    QTest::mouseMove(&shown.line, QPoint(465, 20));
    QTRY_COMPARE(QToolTip::text(), QStringLiteral("11:59:59 15.05.2024"));
    QCOMPARE(shown.line.cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(&shown.line, QPoint(5, 20));
    QCOMPARE(shown.line.cursor().shape(), Qt::ArrowCursor);

    shown.selectAtNoon();
    const struct
    {
        int x;
        Qt::CursorShape shape;
    } cursors[] = {
        {390, Qt::SplitHCursor}, {550, Qt::SplitHCursor}, {465, Qt::OpenHandCursor}, {700, Qt::PointingHandCursor}};
    for (const auto& c : cursors) {
        QTest::mouseMove(&shown.line, QPoint(c.x, 20));
        QVERIFY2(shown.line.cursor().shape() == c.shape, qPrintable(QString::number(c.x)));
    }

    // A press on the selection grabs it and plays nothing, even right after a click.
    QSignalSpy played(&shown.line, &Timeline::playTime);
    QTest::mouseClick(&shown.line, Qt::LeftButton, Qt::NoModifier, QPoint(700, 20));
    QTest::mouseClick(&shown.line, Qt::LeftButton, Qt::NoModifier, QPoint(465, 20));
    QCOMPARE(played.count(), 1);

    // The search display's close button sits at the top right and closes the zone.
    QPushButton* close = shown.line.findChild<QPushButton*>("closeSearchButton");
    QVERIFY(close && !close->isVisible());
    shown.line.setSearchMode(true);
    QVERIFY(close->isVisible());
    QCOMPARE(close->geometry(), QRect(930 - 12 - 1, 1, 12, 12));
    QCOMPARE(close->toolTip(), QStringLiteral("Close search results"));
    QSignalSpy closed(&shown.line, &Timeline::closeZone);
    QTest::mouseClick(close, Qt::LeftButton);
    QCOMPARE(closed.count(), 1);

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
    QCOMPARE(shown.line.endValue(), at("23:59:59"));
    QCOMPARE(orangeInRow(shown.shot(), 30), 0);

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
