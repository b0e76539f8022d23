#include "support/TestEnvironment.h"
#include "utils/Settings.h"
#include "utils/SettingsKeys.h"

class tst_Settings : public QObject
{
    Q_OBJECT
private slots:
    void storedTextConvertsToTheKeysType();
    void onlyTheOwnerReadsTheFile();
};

void tst_Settings::storedTextConvertsToTheKeysType()
{
    // Hand-edited or old files hold text; each key reads it in its own type.
    Utils::Settings* settings = Utils::Settings::instance();
    settings->setValue("proxy/port", "abc");
    settings->setValue("proxy/useProxy", "false");
    QCOMPARE(Utils::Keys::proxyPort().value(), 0);
    QCOMPARE(Utils::Keys::proxyUseProxy().value(), false);
    // A server id is put into the key as it is, "%2" included.
    Utils::Keys::cameraRotation("srv %2", 4).setValue(180);
    QCOMPARE(settings->value("cameras/srv %2/4").toInt(), 180);
}

void tst_Settings::onlyTheOwnerReadsTheFile()
{
    const QString path = Utils::Settings::instance()->fileName();
    const auto mode = [&path] { return QFile(path).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser); };
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    Utils::Keys::authPassword().setValue("secret");
    Utils::Settings::instance()->sync();
    QCOMPARE(mode(), ownerOnly);
    // A rewrite replaces the file and keeps its mode.
    Utils::Keys::proxyPassword().setValue("other");
    Utils::Settings::instance()->sync();
    QCOMPARE(mode(), ownerOnly);
}

QUORVEL_TEST_MAIN(tst_Settings)
#include "tst_Settings.moc"
