#include "application/Language.h"
#include "gui/mainwindow/AboutDialog.h"
#include "support/TestEnvironment.h"
#include "support/Widgets.h"

#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>

using TestSupport::child;

class tst_AboutDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void showsTheApplication();
    void standsCentredOnAFullHdScreen();
};

void tst_AboutDialog::initTestCase()
{
    // As start-up sets them, before the language is chosen.
    QCoreApplication::setApplicationName(QStringLiteral("Quorvel Client"));
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwell Labs"));
    QCoreApplication::setApplicationVersion(QStringLiteral("5.6.0 Build 232"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("http://www.quorvel.example/?target=site&lang="));
}

void tst_AboutDialog::showsTheApplication()
{
    AboutDialog dialog;
    for (int show = 0; show < 2; ++show) {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.size(), QSize(260, 170));
        // The offscreen screen is 800 x 800.
        QCOMPARE(dialog.pos(), QPoint(270, 315));
        auto* app = child<QLabel>(&dialog, "lbApp");
        QCOMPARE(app->text(), QStringLiteral("Quorvel Client"));
        QVERIFY(app->font().bold());
        QCOMPARE(child<QLabel>(&dialog, "lbVersion")->text(), QStringLiteral("Version 5.6.0 Build 232"));
        QVERIFY(child<QLabel>(&dialog, "lbCopy")->text().contains(QLatin1String("Tarnwell Labs")));
        const QString link = child<QLabel>(&dialog, "lbURL")->text();
        QVERIFY2(link.contains(QLatin1String("<a href=\"http://www.quorvel.example/?target=site&amp;lang=\">")) &&
                     link.contains(QLatin1String(">www.quorvel.example</span></a>")),
                 qPrintable(link));
        QVERIFY(!child<QLabel>(&dialog, "logo")->pixmap().isNull());
        dialog.hide();
    }

    QuorvelClient::Application::loadLanguage(QStringLiteral("ru"));
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("О программе"));
    QCOMPARE(child<QLabel>(&dialog, "lbVersion")->text(), QStringLiteral("Версия 5.6.0 Build 232"));
    QuorvelClient::Application::loadLanguage(QStringLiteral("en"));
}

// On a real X screen of 1920 x 1080 the dialog is centred and its logo is drawn: this executable runs the check
// again as its own child under Xvfb.
void tst_AboutDialog::standsCentredOnAFullHdScreen()
{
    if (qEnvironmentVariableIsSet("QUORVEL_ABOUT_ON_XVFB")) {
        AboutDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.geometry(), QRect(830, 455, 260, 170));
        auto* logo = child<QLabel>(&dialog, "logo");
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                const QRect area = QRect(logo->mapToGlobal(QPoint(0, 0)), logo->size()).intersected(dialog.geometry());
                const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).copy(area).toImage();
                for (int y = 0; y < shot.height(); ++y) {
                    for (int x = 0; x < shot.width(); ++x) {
                        if (shot.pixelColor(x, y) != QColor(250, 250, 250))
                            return true;
                    }
                }
                return false;
            }(),
            10000);
        return;
    }
    const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    QVERIFY2(!xvfbRun.isEmpty(), "xvfb-run is missing: scripts/setup installs it");
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUORVEL_ABOUT_ON_XVFB"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // Libraries preloaded for this executable (the sanitizer runs) are for it alone, not for the X server.
    const QString preload = QStringLiteral("LD_PRELOAD=") + env.value(QStringLiteral("LD_PRELOAD"));
    env.remove(QStringLiteral("LD_PRELOAD"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(xvfbRun, {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 1920x1080x24"),
                          QStringLiteral("env"), preload, QCoreApplication::applicationFilePath(),
                          QStringLiteral("standsCentredOnAFullHdScreen")});
    QVERIFY(child.waitForFinished(60000));
    const QByteArray output = child.readAll();
    QVERIFY2(child.exitCode() == 0 && output.contains("PASS   : tst_AboutDialog::standsCentredOnAFullHdScreen()"),
             output.constData());
}

QUORVEL_TEST_MAIN(tst_AboutDialog)
#include "tst_AboutDialog.moc"
