// Mouse events go through the window system layer, so that presses, drags and hovers reach the widgets the way
// a real pointer's do (implicit grab, propagation from the video widget to its player frame).
#define QTEST_QPA_MOUSE_HANDLING

#include "gui/video/VideoPlayer.h"
#include "gui/video/VideoWidget.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"
#include "utils/Settings.h"

#include <QPushButton>
#include <QSignalSpy>

using QuorvelClient::GUI::VideoPlayer;
using QuorvelClient::GUI::VideoWidget;

class tst_VideoSearchZone : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void defaultZoneIsDrawnInEditingLook();
    void dragsKeepTheZoneWithinRules();
    void pointerOverTheZone();
    void percentEdgesPerRotation_data();
    void percentEdgesPerRotation();
    void shownZoneAndItsCloseButton();
};

namespace {

const QRgb kOrange = qRgb(255, 165, 0);

// A player frame of 512 x 512 around a 640 x 480 camera: the picture rect is (0, 64) to (511, 447), so every
// horizontal fraction is exact and the default zone is (128, 160) to (383, 351).
struct Frame
{
    VideoWidget* widget;
    VideoPlayer player;

    Frame() : widget(new VideoWidget(TestSupport::localCamera(3))), player(widget)
    {
        player.resize(512, 512);
        player.show();
        QVERIFY(QTest::qWaitForWindowExposed(&player));
    }

    QImage shot() { return widget->grab().toImage(); }
    QList<int> edges() const
    {
        return {widget->searchZoneX1(), widget->searchZoneY1(), widget->searchZoneX2(), widget->searchZoneY2()};
    }
    void drag(const QPoint& from, const QList<QPoint>& path)
    {
        QTest::mouseMove(widget, from);
        QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, from);
        for (const QPoint& point : path)
            QTest::mouseMove(widget, point);
        QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, path.isEmpty() ? from : path.last());
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
    QCOMPARE(frame.edges(), QList<int>({25, 25, 75, 75}));

    // An orange frame, the picture around it shaded, black inside, and outside the picture nothing.
    const QImage shot = frame.shot();
    QCOMPARE(shot.pixel(128, 250), kOrange);
    QCOMPARE(shot.pixel(383, 250), kOrange);
    QCOMPARE(shot.pixel(256, 160), kOrange);
    QCOMPARE(shot.pixel(256, 351), kOrange);
    QCOMPARE(shot.pixel(300, 300), qRgb(0, 0, 0));
    const QRgb shade = shot.pixel(30, 400);
    QVERIFY2(qGray(shade) > 25 && qGray(shade) < 60, qPrintable(QString::number(qGray(shade))));
    QCOMPARE(shot.pixel(480, 100), shade);
    QCOMPARE(shot.pixel(256, 80), shade);
    QCOMPARE(shot.pixel(256, 20), qRgb(0, 0, 0));
    // The arrow handles point outwards from the middle of the sides; the caption stands at the top.
    QVERIFY(isOrange(shot.pixel(122, 255)) && isOrange(shot.pixel(389, 255)));
    QVERIFY(isOrange(shot.pixel(255, 154)) && isOrange(shot.pixel(255, 357)));
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
    frame.widget->startArchiveSearch();
    QTest::qWait(0);
    // The right edge follows the pointer while the zone stays 26 pixels wide...
    QTest::mouseMove(frame.widget, QPoint(383, 250));
    QTest::mousePress(frame.widget, Qt::LeftButton, Qt::NoModifier, QPoint(383, 250));
    QTest::mouseMove(frame.widget, QPoint(320, 250));
    QCOMPARE(frame.edges(), QList<int>({25, 25, 62, 75}));
    QTest::mouseMove(frame.widget, QPoint(154, 250));
    QCOMPARE(frame.edges(), QList<int>({25, 25, 30, 75}));
    // ...and closer than that the whole zone goes left with it, its right edge under the pointer.
    QTest::mouseMove(frame.widget, QPoint(152, 250));
    QCOMPARE(frame.edges(), QList<int>({24, 25, 29, 75}));
    QTest::mouseMove(frame.widget, QPoint(140, 250));
    QCOMPARE(frame.edges(), QList<int>({22, 25, 27, 75}));
    // Against the picture's left edge the zone stops one pixel inside it, keeping its width.
    QTest::mouseMove(frame.widget, QPoint(5, 250));
    QTest::mouseMove(frame.widget, QPoint(3, 250));
    const QImage shot = frame.shot();
    QCOMPARE(shot.pixel(1, 250), kOrange);
    QVERIFY(!isOrange(shot.pixel(0, 250)));
    QCOMPARE(frame.edges(), QList<int>({0, 25, 5, 75}));
    // Far enough to the right again, the edge resizes again; on the picture's outermost pixels nothing drags.
    QTest::mouseMove(frame.widget, QPoint(256, 250));
    const QList<int> moved = frame.edges();
    QCOMPARE(moved, QList<int>({0, 25, 50, 75}));
    QTest::mouseMove(frame.widget, QPoint(510, 250));
    QCOMPARE(frame.edges(), moved);

    // After the release a move only changes the cursor.
    QTest::mouseRelease(frame.widget, Qt::LeftButton, Qt::NoModifier, QPoint(510, 250));
    QTest::mouseMove(frame.widget, QPoint(300, 400));
    QCOMPARE(frame.edges(), moved);
    QCOMPARE(frame.widget->cursor().shape(), Qt::ArrowCursor);

    // The top left corner takes both edges along.
    frame.widget->startArchiveSearch();
    QTest::qWait(0);
    frame.drag(QPoint(129, 161), {QPoint(100, 130), QPoint(64, 100)});
    QCOMPARE(frame.edges(), QList<int>({12, 9, 75, 75}));
    // The bottom right corner pulled past the left edge: that edge stops by its own test, the other follows.
    frame.drag(QPoint(382, 350), {QPoint(250, 380), QPoint(80, 420)});
    QCOMPARE(frame.edges(), QList<int>({12, 9, 48, 92}));

    // The inside carries the zone along with the grabbed point, and the picture's bounds stop it.
    frame.widget->startArchiveSearch();
    QTest::qWait(0);
    frame.drag(QPoint(256, 256), {QPoint(266, 268), QPoint(276, 280)});
    QCOMPARE(frame.edges(), QList<int>({28, 31, 78, 81}));
    frame.drag(QPoint(300, 300), {QPoint(400, 400), QPoint(509, 445)});
    QCOMPARE(frame.edges(), QList<int>({49, 49, 99, 99}));
    QCOMPARE(frame.shot().pixel(510, 350), kOrange);
    QCOMPARE(frame.shot().pixel(400, 446), kOrange);
    // A new search starts again in the middle.
    frame.widget->startArchiveSearch();
    QCOMPARE(frame.edges(), QList<int>({25, 25, 75, 75}));
}

void tst_VideoSearchZone::pointerOverTheZone()
{
    Frame frame;
    QSignalSpy activations(&frame.player, &VideoPlayer::mousePressed);
    TestSupport::click(frame.widget, QPoint(256, 256));
    QCOMPARE(activations.count(), 1);

    // While searching, a handle or the inside shows its cursor and a press there edits the zone; elsewhere the
    // arrow shows and a press activates the player, as does one with another button anywhere.
    frame.widget->startArchiveSearch();
    QTest::qWait(0);
    const struct
    {
        QPoint at;
        Qt::CursorShape shape;
    } cases[] = {{QPoint(129, 161), Qt::SizeFDiagCursor}, {QPoint(382, 350), Qt::SizeFDiagCursor},
                 {QPoint(390, 155), Qt::SizeBDiagCursor}, {QPoint(122, 357), Qt::SizeBDiagCursor},
                 {QPoint(118, 250), Qt::SplitHCursor},    {QPoint(394, 250), Qt::SplitHCursor},
                 {QPoint(256, 150), Qt::SplitVCursor},    {QPoint(256, 362), Qt::SplitVCursor},
                 {QPoint(256, 256), Qt::OpenHandCursor},  {QPoint(30, 30), Qt::ArrowCursor},
                 {QPoint(256, 370), Qt::ArrowCursor},     {QPoint(116, 250), Qt::ArrowCursor}};
    for (const auto& c : cases) {
        const int before = activations.count();
        QTest::mouseMove(frame.widget, c.at);
        const Qt::CursorShape shape = frame.widget->cursor().shape();
        QTest::mouseClick(frame.widget, Qt::LeftButton, Qt::NoModifier, c.at);
        const bool activated = activations.count() > before;
        QVERIFY2(shape == c.shape && activated == (c.shape == Qt::ArrowCursor),
                 qPrintable(QString("at %1,%2").arg(c.at.x()).arg(c.at.y())));
    }
    TestSupport::click(frame.widget, QPoint(256, 256), Qt::RightButton);
    QCOMPARE(activations.count(), 5);
    QCOMPARE(frame.edges(), QList<int>({25, 25, 75, 75}));

    QTest::mousePress(frame.widget, Qt::LeftButton, Qt::NoModifier, QPoint(256, 256));
    QTest::mouseMove(frame.widget, QPoint(257, 259));
    QCOMPARE(frame.widget->cursor().shape(), Qt::ClosedHandCursor);
    QTest::mouseRelease(frame.widget, Qt::LeftButton, Qt::NoModifier, QPoint(257, 259));
    // Out of search mode the cursor is plain again.
    frame.widget->hideArchiveSearch();
    QCOMPARE(frame.widget->cursor().shape(), Qt::ArrowCursor);
}

void tst_VideoSearchZone::percentEdgesPerRotation_data()
{
    QTest::addColumn<int>("rotation");
    QTest::addColumn<QList<int>>("edges");
    // The zone L 0.125, T 0.09375, R 0.75, B 0.75 of the picture as shown; unturned it is the test's start.
    QTest::newRow("90") << 90 << QList<int>({9, 25, 75, 87});
    QTest::newRow("180") << 180 << QList<int>({25, 25, 87, 90});
    QTest::newRow("270") << 270 << QList<int>({25, 12, 90, 75});
    QTest::newRow("360") << 360 << QList<int>({12, 9, 75, 75});
}

void tst_VideoSearchZone::percentEdgesPerRotation()
{
    QFETCH(int, rotation);
    QFETCH(QList<int>, edges);
    Frame frame;
    frame.widget->startArchiveSearch();
    QTest::qWait(0);
    frame.drag(QPoint(129, 161), {QPoint(64, 100)});
    QCOMPARE(frame.edges(), QList<int>({12, 9, 75, 75}));
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
    QVERIFY(close);
    QCOMPARE(close->toolTip(), QString("Hide search area"));
    frame.widget->startArchiveSearch();
    QTest::qWait(0);
    frame.drag(QPoint(256, 256), {QPoint(276, 280)});
    frame.widget->hideArchiveSearch();
    QVERIFY(!frame.widget->isSearchActive());
    QCOMPARE(frame.edges(), QList<int>({28, 31, 78, 81}));

    // The accepted zone shows plainly: the frame without shading, the close button in its top right corner.
    frame.widget->showArchiveSearchZone();
    QTest::qWait(0);
    QVERIFY(close->isVisible());
    QCOMPARE(close->pos(), QPoint(403 - 1 - 12, 184 + 1));
    QImage shot = frame.shot();
    QCOMPARE(shot.pixel(148, 300), kOrange);
    QCOMPARE(shot.pixel(30, 400), qRgb(0, 0, 0));
    // The pointer does not edit it.
    QTest::mouseMove(frame.widget, QPoint(149, 300));
    QCOMPARE(frame.widget->cursor().shape(), Qt::ArrowCursor);

    // A resize keeps the zone on the same part of the picture and moves the button along.
    frame.player.resize(1024, 1024);
    QTest::qWait(0);
    QCOMPARE(frame.widget->pictureRect(), QRect(QPoint(0, 128), QPoint(1023, 895)));
    QCOMPARE(close->pos(), QPoint(807 - 1 - 12, 368 + 1));

    // Its click hides the zone; the fractions stay for the search request.
    QTest::mouseClick(close, Qt::LeftButton);
    QTest::qWait(0);
    shot = frame.shot();
    QCOMPARE(shot.pixel(296, 600), qRgb(0, 0, 0));
    QCOMPARE(frame.edges(), QList<int>({28, 31, 78, 81}));
}

QUORVEL_TEST_MAIN(tst_VideoSearchZone)
#include "tst_VideoSearchZone.moc"
