// Mouse events go through the window system layer, so that presses, drags and hovers reach the widgets the way
// a real pointer's do (implicit grab, propagation from the video widget to its player frame).
#define QTEST_QPA_MOUSE_HANDLING

#include "gui/video/VideoPlayer.h"
#include "gui/video/VideoWidget.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"
#include "utils/Intervals.h"
#include "utils/Settings.h"

#include <QLabel>
#include <QMovie>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>

using QuorvelClient::GUI::VideoPlayer;
using QuorvelClient::GUI::VideoWidget;

using Edges = QList<int>;

class tst_VideoSearchZone : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void defaultZoneIsDrawnInEditingLook();
    void dragsKeepTheZoneWithinRules();
    void pointerOverTheZone();
    void dragOutlivesTheOpeningSpinner();
    void percentEdgesPerRotation_data();
    void percentEdgesPerRotation();
    void shownZoneAndItsCloseButton();
};

namespace {

const QRgb kOrange = qRgb(255, 165, 0);
const QRgb kBlack = qRgb(0, 0, 0);

// A player frame of 512 x 512 around a 640 x 480 camera: the picture rect is (0, 64) to (511, 447), so every
// horizontal fraction is exact and the default zone is (128, 160) to (383, 351).
struct Frame
{
    VideoWidget* widget;
    VideoPlayer player;

    explicit Frame(const QString& server = QStringLiteral("127.0.0.1:9"))
        : widget(new VideoWidget(TestSupport::localCamera(3, server))), player(widget)
    {
        player.resize(512, 512);
        player.show();
        QVERIFY(QTest::qWaitForWindowExposed(&player));
    }

    void search()
    {
        widget->startArchiveSearch();
        QTest::qWait(0);
    }
    QImage shot() { return widget->grab().toImage(); }
    Edges edges() const
    {
        return {widget->searchZoneX1(), widget->searchZoneY1(), widget->searchZoneX2(), widget->searchZoneY2()};
    }
    Edges moveTo(const QPoint& point)
    {
        QTest::mouseMove(widget, point);
        return edges();
    }
    Edges drag(const QPoint& from, const QList<QPoint>& path)
    {
        QTest::mouseMove(widget, from);
        QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, from);
        for (const QPoint& point : path)
            QTest::mouseMove(widget, point);
        QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, path.last());
        return edges();
    }
};

bool isOrange(QRgb pixel)
{
    return qAbs(qRed(pixel) - 255) < 8 && qAbs(qGreen(pixel) - 165) < 8 && qBlue(pixel) < 8;
}

} // namespace

void tst_VideoSearchZone::init()
{
    Utils::Settings::instance()->setValue("cameras/127.0.0.1:9/3", 0);
}

void tst_VideoSearchZone::defaultZoneIsDrawnInEditingLook()
{
    Frame frame;
    QCOMPARE(frame.widget->pictureRect(), QRect(QPoint(0, 64), QPoint(511, 447)));
    frame.widget->startArchiveSearch();
    QCOMPARE(frame.edges(), Edges({25, 25, 75, 75}));

    // An orange frame, the picture around it shaded, black inside, and outside the picture nothing.
    const QImage shot = frame.shot();
    QVERIFY(shot.pixel(128, 250) == kOrange && shot.pixel(256, 351) == kOrange);
    QCOMPARE(shot.pixel(300, 300), kBlack);
    const QRgb shade = shot.pixel(30, 400);
    QVERIFY2(qGray(shade) > 25 && qGray(shade) < 60, qPrintable(QString::number(qGray(shade))));
    QCOMPARE(shot.pixel(480, 100), shade);
    QCOMPARE(shot.pixel(256, 20), kBlack);
    // The arrow handles point outwards from the middle of the sides; the caption stands at the top.
    QVERIFY(isOrange(shot.pixel(122, 255)) && isOrange(shot.pixel(255, 357)));
    int bright = 0;
    for (int y = 163; y < 186; ++y) {
        for (int x = 140; x < 370; ++x)
            bright += qGray(shot.pixel(x, y)) > 128;
    }
    QVERIFY(bright > 20);
    QVERIFY(!frame.widget->findChild<QPushButton*>()->isVisible());
}

void tst_VideoSearchZone::dragsKeepTheZoneWithinRules()
{
    Frame frame;
    frame.search();
    // The right edge follows the pointer while the zone stays 26 pixels wide...
    QTest::mouseMove(frame.widget, QPoint(383, 250));
    QTest::mousePress(frame.widget, Qt::LeftButton, Qt::NoModifier, QPoint(383, 250));
    QCOMPARE(frame.moveTo({320, 250}), Edges({25, 25, 62, 75}));
    QCOMPARE(frame.moveTo({154, 250}), Edges({25, 25, 30, 75}));
    // ...and closer than that the whole zone goes left with it, its right edge under the pointer.
    QCOMPARE(frame.moveTo({152, 250}), Edges({24, 25, 29, 75}));
    QCOMPARE(frame.moveTo({140, 250}), Edges({22, 25, 27, 75}));
    // Against the picture's left edge the zone stops one pixel inside it, keeping its width.
    frame.moveTo({5, 250});
    QCOMPARE(frame.moveTo({3, 250}), Edges({0, 25, 5, 75}));
    QVERIFY(frame.shot().pixel(1, 250) == kOrange && !isOrange(frame.shot().pixel(0, 250)));
    // Far enough to the right again, the edge resizes again; on the picture's outermost pixels nothing drags.
    QCOMPARE(frame.moveTo({256, 250}), Edges({0, 25, 50, 75}));
    QCOMPARE(frame.moveTo({510, 250}), Edges({0, 25, 50, 75}));
    // After the release a move only changes the cursor.
    QTest::mouseRelease(frame.widget, Qt::LeftButton, Qt::NoModifier, QPoint(510, 250));
    QCOMPARE(frame.moveTo({300, 400}), Edges({0, 25, 50, 75}));
    QCOMPARE(frame.widget->cursor().shape(), Qt::ArrowCursor);

    // The top left corner takes both edges along.
    frame.search();
    QCOMPARE(frame.drag({129, 161}, {{100, 130}, {64, 100}}), Edges({12, 9, 75, 75}));
    // The bottom right corner pulled past the left edge: that edge stops by its own test, the other follows.
    QCOMPARE(frame.drag({382, 350}, {{250, 380}, {80, 420}}), Edges({12, 9, 48, 92}));

    // The inside carries the zone along with the grabbed point, and the picture's bounds stop it.
    frame.search();
    QCOMPARE(frame.drag({256, 256}, {{266, 268}, {276, 280}}), Edges({28, 31, 78, 81}));
    QCOMPARE(frame.drag({300, 300}, {{400, 400}, {509, 445}}), Edges({49, 49, 99, 99}));
    QVERIFY(frame.shot().pixel(510, 350) == kOrange && frame.shot().pixel(400, 446) == kOrange);
    // A new search starts again in the middle.
    frame.widget->startArchiveSearch();
    QCOMPARE(frame.edges(), Edges({25, 25, 75, 75}));
}

void tst_VideoSearchZone::pointerOverTheZone()
{
    Frame frame;
    QSignalSpy activations(&frame.player, &VideoPlayer::mousePressed);
    // While searching, a handle or the inside shows its cursor and a press there edits the zone; elsewhere the
    // arrow shows and a press activates the player, as does one with another button anywhere.
    frame.search();
    const QList<QPair<QPoint, Qt::CursorShape>> cases{
        {{129, 161}, Qt::SizeFDiagCursor}, {{382, 350}, Qt::SizeFDiagCursor}, {{390, 155}, Qt::SizeBDiagCursor},
        {{122, 357}, Qt::SizeBDiagCursor}, {{118, 250}, Qt::SplitHCursor},    {{394, 250}, Qt::SplitHCursor},
        {{256, 150}, Qt::SplitVCursor},    {{256, 362}, Qt::SplitVCursor},    {{256, 256}, Qt::OpenHandCursor},
        {{30, 30}, Qt::ArrowCursor},       {{256, 370}, Qt::ArrowCursor},     {{116, 250}, Qt::ArrowCursor}};
    for (const auto& [at, shape] : cases) {
        const int before = activations.count();
        QTest::mouseMove(frame.widget, at);
        const Qt::CursorShape shown = frame.widget->cursor().shape();
        QTest::mouseClick(frame.widget, Qt::LeftButton, Qt::NoModifier, at);
        const bool activated = activations.count() > before;
        QVERIFY2(shown == shape && activated == (shape == Qt::ArrowCursor),
                 qPrintable(QString("at %1,%2").arg(at.x()).arg(at.y())));
    }
    TestSupport::click(frame.widget, QPoint(256, 256), Qt::RightButton);
    QCOMPARE(activations.count(), 4);
    QCOMPARE(frame.edges(), Edges({25, 25, 75, 75}));

    QTest::mousePress(frame.widget, Qt::LeftButton, Qt::NoModifier, QPoint(256, 256));
    QTest::mouseMove(frame.widget, QPoint(257, 259));
    QCOMPARE(frame.widget->cursor().shape(), Qt::ClosedHandCursor);
    QTest::mouseRelease(frame.widget, Qt::LeftButton, Qt::NoModifier, QPoint(257, 259));
    // Out of search mode the cursor is plain again.
    frame.widget->hideArchiveSearch();
    QCOMPARE(frame.widget->cursor().shape(), Qt::ArrowCursor);
}

void tst_VideoSearchZone::dragOutlivesTheOpeningSpinner()
{
    // A server that takes the connection and never answers keeps the stream opening under its spinner.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    Utils::setIntervalForTesting(Utils::Interval::StalledStream, 600000);
    const auto restore = qScopeGuard([] { Utils::setIntervalForTesting(Utils::Interval::StalledStream, 0); });
    Frame frame(QStringLiteral("127.0.0.1:%1").arg(silent.serverPort()));
    frame.widget->playLive(QuorvelClient::Core::QualitySettings::High);
    QLabel* spinner = nullptr;
    QTRY_VERIFY((spinner = frame.widget->findChild<QLabel*>()) && spinner->movie() && spinner->isVisible());
    frame.search();

    // A drag begun on the spinner goes on after the spinner goes away.
    QTest::mouseMove(frame.widget, {256, 256});
    QTest::mousePress(frame.widget, Qt::LeftButton, Qt::NoModifier, {256, 256});
    frame.widget->stop();
    QTRY_VERIFY(!spinner->isVisible());
    QCOMPARE(frame.moveTo({266, 268}), Edges({26, 28, 76, 78}));
    QTest::mouseRelease(frame.widget, Qt::LeftButton, Qt::NoModifier, {266, 268});
}

void tst_VideoSearchZone::percentEdgesPerRotation_data()
{
    QTest::addColumn<int>("rotation");
    QTest::addColumn<Edges>("edges");
    // The zone L 0.125, T 0.09375, R 0.75, B 0.75 of the picture as shown; unturned it is the test's start.
    QTest::newRow("90") << 90 << Edges({9, 25, 75, 87});
    QTest::newRow("180") << 180 << Edges({25, 25, 87, 90});
    QTest::newRow("270") << 270 << Edges({25, 12, 90, 75});
    QTest::newRow("360") << 360 << Edges({12, 9, 75, 75});
}

void tst_VideoSearchZone::percentEdgesPerRotation()
{
    QFETCH(int, rotation);
    QFETCH(Edges, edges);
    Frame frame;
    frame.search();
    QCOMPARE(frame.drag({129, 161}, {{64, 100}}), Edges({12, 9, 75, 75}));
    for (int turned = 0; turned < rotation; turned += 90)
        frame.widget->addRotation(90);
    // The zone keeps its place on the picture as shown, so it now covers another part of the camera's frame.
    QCOMPARE(frame.edges(), edges);
    QTest::qWait(0);
    const QRect picture = frame.widget->pictureRect();
    QCOMPARE(frame.shot().pixel(picture.left() + picture.width() / 8, picture.center().y()), kOrange);
}

void tst_VideoSearchZone::shownZoneAndItsCloseButton()
{
    Frame frame;
    auto* close = frame.widget->findChild<QPushButton*>();
    frame.search();
    frame.drag({256, 256}, {{276, 280}});
    frame.widget->hideArchiveSearch();
    QVERIFY(!frame.widget->isSearchActive());

    // The accepted zone shows plainly: the frame without shading, the close button in its top right corner, and the
    // pointer does not edit it.
    frame.widget->showArchiveSearchZone();
    QTest::qWait(0);
    QVERIFY(close->isVisible());
    QCOMPARE(close->pos(), QPoint(403 - 1 - 12, 184 + 1));
    QVERIFY(frame.shot().pixel(148, 300) == kOrange && frame.shot().pixel(30, 400) == kBlack);
    QTest::mouseMove(frame.widget, QPoint(149, 300));
    QCOMPARE(frame.widget->cursor().shape(), Qt::ArrowCursor);

    // A resize keeps the zone on the same part of the picture and moves the button along.
    frame.player.resize(1024, 1024);
    QTest::qWait(0);
    QCOMPARE(close->pos(), QPoint(807 - 1 - 12, 368 + 1));

    // Its click hides the zone; the fractions stay for the search request.
    QTest::mouseClick(close, Qt::LeftButton);
    QTest::qWait(0);
    QCOMPARE(frame.shot().pixel(296, 600), kBlack);
    QCOMPARE(frame.edges(), Edges({28, 31, 78, 81}));
}

QUORVEL_TEST_MAIN(tst_VideoSearchZone)
#include "tst_VideoSearchZone.moc"
