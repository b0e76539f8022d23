#include "core/media/VideoMuxer.h"
#include "core/media/Vlc.h"
#include "gui/video/VideoWidget.h"
#include "support/MessageCapture.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"

#include <vlc/vlc.h>

// Stands in for the engine's start, as when its plug-ins cannot be loaded.
extern "C" libvlc_instance_t* libvlc_new(int, const char* const*)
{
    return nullptr;
}

// Without a started engine libvlc has no message of its own to give.
extern "C" const char* libvlc_errmsg(void)
{
    return nullptr;
}

using QuorvelClient::Core::VideoMuxer;
using QuorvelClient::Core::Vlc;
using QuorvelClient::GUI::VideoWidget;

class tst_VlcUnavailable : public QObject
{
    Q_OBJECT
private slots:
    void playersShowErrorWithoutEngine();
};

void tst_VlcUnavailable::playersShowErrorWithoutEngine()
{
    TestSupport::MessageCapture log;
    QVERIFY(!Vlc::instance()->libvlcInstance());
    QCOMPARE(log.count("libvlc cannot be started:"), 1);

    VideoMuxer muxer;
    QVERIFY(!muxer.start("http://127.0.0.1:9/flv/archive", TestSupport::workDir() + "/x.mp4", 5000, "mp4"));
    muxer.stop();

    // Every command on a player without an engine is harmless; playing ends in the error state.
    VideoWidget widget(TestSupport::localCamera(1));
    widget.resize(320, 240);
    widget.show();
    QVERIFY(!widget.mediaPlayer());
    QVERIFY(!widget.isPlaying());
    widget.setSound(true);
    widget.setVolume(80);
    widget.pause();
    widget.unPause();
    widget.playLive(QuorvelClient::Core::QualitySettings::High);
    QTRY_VERIFY_WITH_TIMEOUT(widget.playerState() == VideoWidget::Error && widget.statusText() == "Error", 10000);
    widget.setQuality(QuorvelClient::Core::QualitySettings::Low);
    QVERIFY(!widget.saveFrame(TestSupport::workDir() + "/none.jpg"));
    widget.grab();
    widget.stop();
}

QUORVEL_TEST_MAIN(tst_VlcUnavailable)
#include "tst_VlcUnavailable.moc"
