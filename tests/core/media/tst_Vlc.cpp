#include "core/media/Vlc.h"
#include "support/MessageCapture.h"
#include "support/TestEnvironment.h"
#include "utils/Settings.h"

#include <vlc/vlc.h>

using QuorvelClient::Core::Vlc;

class tst_Vlc : public QObject
{
    Q_OBJECT
private slots:
    void startsOnceWithFixedArguments();
};

// Proxy settings are stored but switched off: none of them reaches the engine.
void tst_Vlc::startsOnceWithFixedArguments()
{
    Utils::Settings* settings = Utils::Settings::instance();
    settings->setValue("proxy/useProxy", false);
    settings->setValue("proxy/host", "127.0.0.1");
    settings->setValue("proxy/port", 3128);
    settings->setValue("proxy/username", "user");
    settings->setValue("proxy/password", "secret");
    qunsetenv("http_proxy");

    TestSupport::MessageCapture log;
    Vlc* vlc = Vlc::instance();
    QVERIFY(vlc->libvlcInstance());

    QStringList args;
    for (const QString& message : log.messages()) {
        if (message.startsWith("arg: "))
            args << message.mid(5);
    }
    const QStringList expected = {
        "\"-I\"",
        "\"dummy\"",
        "\"--no-input-record-native\"",
        "\"--no-osd\"",
        "\"--no-video-title-show\"",
        "\"--no-stats\"",
        "\"--no-plugins-cache\"",
        "\"--no-drop-late-frames\"",
        "\"--access=http\"",
        "\"--demux=ffmpeg\"",
        "\"--avformat-format=flv\"",
        "\"--file-caching=0\"",
        "\"--live-caching=0\"",
        "\"--network-caching=1000\"",
    };
    QCOMPARE(args, expected);
    QCOMPARE(log.count("argsCounter: 14"), 1);
    QVERIFY(!log.contains("http_proxy"));
    QVERIFY(qgetenv("http_proxy").isEmpty());

    // The engine works with these arguments: a player can be made on it.
    libvlc_media_player_t* player = libvlc_media_player_new(vlc->libvlcInstance());
    QVERIFY(player);
    libvlc_media_player_release(player);
}

QUORVEL_TEST_MAIN(tst_Vlc)
#include "tst_Vlc.moc"
