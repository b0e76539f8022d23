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
        // The pointer starts outside the player.
        QTest::mouseMove(&window, QPoint(500, 350));
    }

    // The border's colour on the left edge and the top edge, which must agree.
    QRgb border()
    {
        const QImage shot = window.grab(QRect(0, 0, 400, 300)).toImage();
        const QRgb left = shot.pixel(1, 150);
        return left == shot.pixel(200, 1) && left == shot.pixel(398, 150) ? left : qRgb(1, 2, 3);
    }
};

} // namespace

void tst_VideoPlayer::overlayBorders()
{
    Host host;
    QCOMPARE(host.border(), kBlack);
    // With nothing to draw it stays out of the way of every new frame's repaint.
    QVERIFY(!host.player->findChild<Overlay*>()->isVisible());

    host.player->setActive(true);
    QCOMPARE(host.border(), kBlue);
    // The border lies over the picture, two pixels wide.
    const QImage shot = host.window.grab(QRect(0, 0, 400, 300)).toImage();
    QCOMPARE(shot.pixel(0, 150), kBlue);
    QCOMPARE(shot.pixel(3, 150), kBlack);

    // The pointer over the player turns it green, and leaving restores the active border.
    QTest::mouseMove(&host.window, QPoint(200, 150));
    QCOMPARE(host.border(), kGreen);
    QTest::mouseMove(&host.window, QPoint(500, 350));
    QCOMPARE(host.border(), kBlue);

    // A hidden overlay draws nothing; clicks pass through it to the player.
    host.player->setActive(true);
    host.player->setOverlayVisible(false);
    QCOMPARE(host.border(), kBlack);
    QSignalSpy presses(host.player, &VideoPlayer::mousePressed);
    TestSupport::click(&host.window, QPoint(200, 150));
    QCOMPARE(presses.count(), 1);
}

void tst_VideoPlayer::blinking()
{
    Host host;
    auto* overlay = host.player->findChild<Overlay*>();
    QVERIFY(overlay);
    // An inactive player blinks yellow and nothing, every 200 ms, for as long as nobody stops it.
    host.player->blink();
    host.player->blink();
    QCOMPARE(host.border(), kYellow);
    QTRY_COMPARE_WITH_TIMEOUT(host.border(), kBlack, 1000);
    QTRY_COMPARE_WITH_TIMEOUT(host.border(), kYellow, 1000);
    QTRY_COMPARE_WITH_TIMEOUT(host.border(), kBlack, 1000);
    // Entering stops it for good, even after two blinks were asked for: one timer at most runs.
    QTest::mouseMove(&host.window, QPoint(200, 150));
    QVERIFY(!overlay->isBlinking());
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(host.border(), kGreen);
        QTest::qWait(150);
    }
    QTest::mouseMove(&host.window, QPoint(500, 350));
    QCOMPARE(host.border(), kBlack);

    // An active player blinks a steady yellow; leaving ends it in the active colour.
    host.player->setActive(true);
    host.player->blink();
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(host.border(), kYellow);
        QTest::qWait(150);
    }
    QTest::mouseMove(&host.window, QPoint(200, 150));
    QTest::mouseMove(&host.window, QPoint(500, 350));
    QCOMPARE(host.border(), kBlue);
    QVERIFY(!overlay->isBlinking());
}

// The close control itself is driven through the container's grid, where its place and signals matter.
void tst_VideoPlayer::closedWithItsWidget()
{
    // A widget destroyed by anyone closes its player, which then acts on nothing.
    Host host;
    QSignalSpy closing(host.player, &VideoPlayer::aboutToClose);
    // Those told of the close find no widget: what is left of it is no video widget any more.
    QList<VideoWidget*> seen;
    connect(host.player, &VideoPlayer::aboutToClose, this, [&] { seen << host.player->videoWidget(); });
    delete host.widget;
    QCOMPARE(closing.count(), 1);
    QCOMPARE(seen, QList<VideoWidget*>({nullptr}));
    QCOMPARE(host.player->videoWidget(), nullptr);
    host.player->setSound(true);
    host.player->saveCurrentFrame(TestSupport::workDir() + "/none.jpg");
    QVERIFY(!QFile::exists(TestSupport::workDir() + "/none.jpg"));
}

QUORVEL_TEST_MAIN(tst_VideoPlayer)
#include "tst_VideoPlayer.moc"
