#include "core/media/Vlc.h"
#include "support/MessageCapture.h"
#include "support/TestEnvironment.h"
#include "utils/Settings.h"

using QuorvelClient::Core::Vlc;

class tst_Vlc : public QObject
{
    Q_OBJECT
private slots:
    void startsWithoutProxyWhenItIsOff();
};

// Proxy settings are stored but switched off by the time the engine is taken, though on when it started loading:
// none of them reaches the engine.
void tst_Vlc::startsWithoutProxyWhenItIsOff()
{
    Utils::Settings* settings = Utils::Settings::instance();
    settings->setValue("proxy/useProxy", true);
    settings->setValue("proxy/host", "127.0.0.1");
    settings->setValue("proxy/port", 3128);
    settings->setValue("proxy/password", "secret");
    qunsetenv("http_proxy");
    TestSupport::MessageCapture log;
    Vlc::startEarly();
    settings->setValue("proxy/useProxy", false);
    QVERIFY(Vlc::instance()->libvlcInstance());
    QVERIFY(!log.contains("http_proxy") && qgetenv("http_proxy").isEmpty());
}

QUORVEL_TEST_MAIN(tst_Vlc)
#include "tst_Vlc.moc"
