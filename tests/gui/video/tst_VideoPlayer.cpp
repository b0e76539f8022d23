#define QTEST_QPA_MOUSE_HANDLING

#include "core/Camera.h"
#include "gui/video/Overlay.h"
#include "gui/video/VideoPlayer.h"
#include "gui/video/VideoWidget.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"

#include <QFile>
#include <QSignalSpy>

using QuorvelClient::GUI::VideoPlayer;
using QuorvelClient::GUI::VideoWidget;
using QuorvelClient::GUI::Internal::Overlay;

class tst_VideoPlayer : public QObject
{
    Q_OBJECT
private slots:
    void overlayBorders();
    void blinking();
    void closedWithItsWidget();
};

namespace {

const QRgb kBlue = qRgb(127, 199, 255);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kYellow = qRgb(255, 255, 0);
const QRgb kBlack = qRgb(0, 0, 0);
const QPoint kInside(200, 150);
const QPoint kOutside(500, 350);

// A 400 x 300 player at the top left of a larger window, so that the pointer can leave it.
struct Host
{
    QWidget window;
    VideoWidget* widget;
    VideoPlayer* player;

    Host() : widget(new VideoWidget(TestSupport::localCamera(4))), player(new VideoPlayer(widget))
    {
        window.resize(600, 400);
        player->setParent(&window);
        player->resize(400, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // The pointer starts outside the player; a move to where it already is would be dropped.
        QTest::mouseMove(&window, kInside);
        QTest::mouseMove(&window, kOutside);
    }

    // The border's colour on the left, top and right edges, which must agree.
    QRgb border()
    {
        const QImage shot = window.grab(QRect(0, 0, 400, 300)).toImage();
        const QRgb left = shot.pixel(1, 150);
        return left == shot.pixel(200, 1) && left == shot.pixel(398, 150) ? left : qRgb(1, 2, 3);
    }

    // Whether the border keeps that colour over four blink periods.
    bool keeps(QRgb colour)
    {
        for (int i = 0; i < 4; ++i) {
            if (border() != colour)
                return false;
            QTest::qWait(150);
        }
        return true;
    }
};

} // namespace

void tst_VideoPlayer::overlayBorders()
{
    Host host;
    QCOMPARE(host.border(), kBlack);
    // With nothing to draw it stays out of the way of every new frame's repaint.
    QVERIFY(!host.player->findChild<Overlay*>()->isVisible());

    // The active border lies over the picture, two pixels wide; the pointer over the player turns it green.
    host.player->setActive(true);
    const QImage shot = host.window.grab(QRect(0, 0, 400, 300)).toImage();
    QVERIFY(shot.pixel(0, 150) == kBlue && shot.pixel(3, 150) == kBlack);
    QCOMPARE(host.border(), kBlue);
    QTest::mouseMove(&host.window, kInside);
    QCOMPARE(host.border(), kGreen);
    QTest::mouseMove(&host.window, kOutside);
    QCOMPARE(host.border(), kBlue);

    // A hidden overlay draws nothing.
    host.player->setOverlayVisible(false);
    QCOMPARE(host.border(), kBlack);
}

void tst_VideoPlayer::blinking()
{
    Host host;
    // An inactive player blinks yellow and nothing, every 200 ms, for as long as nobody stops it.
    host.player->blink();
    host.player->blink();
    QCOMPARE(host.border(), kYellow);
    QTRY_COMPARE_WITH_TIMEOUT(host.border(), kBlack, 1000);
    QTRY_COMPARE_WITH_TIMEOUT(host.border(), kYellow, 1000);
    // Entering stops it for good, even after two blinks were asked for: one timer at most runs.
    QTest::mouseMove(&host.window, kInside);
    QVERIFY(host.keeps(kGreen));
    QTest::mouseMove(&host.window, kOutside);
    QCOMPARE(host.border(), kBlack);

    // An active player blinks a steady yellow; leaving ends it in the active colour.
    host.player->setActive(true);
    host.player->blink();
    QVERIFY(host.keeps(kYellow));
    QTest::mouseMove(&host.window, kInside);
    QTest::mouseMove(&host.window, kOutside);
    QCOMPARE(host.border(), kBlue);
    QVERIFY(!host.player->findChild<Overlay*>()->isBlinking());
}

// The close control itself is driven through the container's grid, where its place and signals matter.
void tst_VideoPlayer::closedWithItsWidget()
{
    // A widget destroyed by anyone closes its player; those told of it find no widget, and the player then acts on
    // nothing.
    Host host;
    QList<VideoWidget*> seen;
    connect(host.player, &VideoPlayer::aboutToClose, this, [&] { seen << host.player->videoWidget(); });
    delete host.widget;
    QCOMPARE(seen, QList<VideoWidget*>({nullptr}));
    host.player->setSound(true);
    QVERIFY(!host.player->saveCurrentFrame(TestSupport::workDir() + "/none.jpg"));
    QVERIFY(!QFile::exists(TestSupport::workDir() + "/none.jpg"));
}

QUORVEL_TEST_MAIN(tst_VideoPlayer)
#include "tst_VideoPlayer.moc"
