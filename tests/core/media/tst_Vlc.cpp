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
    void startsOnceWithoutProxy();
};

// Proxy settings are stored but switched off: none of them reaches the engine.
void tst_Vlc::startsOnceWithoutProxy()
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

    QCOMPARE(log.count("argsCounter:"), 1);
    QCOMPARE(Vlc::instance(), vlc);
    QVERIFY(!log.contains("http_proxy"));
    QVERIFY(qgetenv("http_proxy").isEmpty());

    // The engine works with these arguments: a player can be made on it.
    libvlc_media_player_t* player = libvlc_media_player_new(vlc->libvlcInstance());
    QVERIFY(player);
    libvlc_media_player_release(player);
}

QUORVEL_TEST_MAIN(tst_Vlc)
#include "tst_Vlc.moc"
