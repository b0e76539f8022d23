#include "core/SessionManager.h"
#include "gui/DialogSeam.h"
#include "gui/mainwindow/LogInDialog.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/playback/PlaybackWindow2.h"
#include "gui/roster/RosterWidget.h"
#include "peer/FakeNetwork.h"
#include "peer/FakeVideoServer.h"
#include "support/BoxAnswerer.h"
#include "support/MessageCapture.h"
#include "support/ObjectCensus.h"
#include "support/TestEnvironment.h"
#include "support/Widgets.h"
#include "utils/DriveType.h"
#include "utils/Settings.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

using QuorvelClient::GUI::DialogSeam;
using QuorvelClient::GUI::LogInDialog;
using QuorvelClient::GUI::MainWindow;
using QuorvelClient::GUI::PlaybackWindow2;
using QuorvelClient::GUI::RosterWidget;
using TestSupport::child;
using TestSupport::shownWindow;

namespace {

Utils::Settings* settings()
{
    return Utils::Settings::instance();
}

QStringList authKeys()
{
    QStringList values;
    for (const char* key : {"auth/email", "auth/password", "auth/saveAuth", "auth/localOnly"})
        values << settings()->value(QLatin1String(key)).toString();
    return values;
}

void storeCredentials(bool saveAuth, bool localOnly)
{
    settings()->setValue(QStringLiteral("auth/email"), QStringLiteral("user@quorvel.example"));
    settings()->setValue(QStringLiteral("auth/password"), QStringLiteral("secret"));
    settings()->setValue(QStringLiteral("auth/saveAuth"), saveAuth);
    settings()->setValue(QStringLiteral("auth/localOnly"), localOnly);
}

} // namespace

class tst_LogInDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void opensIdleWithoutRememberedCredentials();
    void signInNeedsBothFieldsInAccountMode();
    void localModeHidesAccountRows();
    void rememberedCredentialsSignInAfterCountdown();
    void cancelStopsCountdown();
    void removableDriveWipesThePasswordAtOnce();
    void signInStoresCredentialsOnlyWhenRemembered();
    void signInOpensTheMainWindow();
    void refusedSignInShowsTheServiceMessage();
    void unreachableServiceOffersLocalAccess_data();
    void unreachableServiceOffersLocalAccess();
    void settingsOpenOnTheProxyTab();
    void settingsDuringSignInKeepTheAnswer();
    void signOutReturnsToTheDialog_data();
    void signOutReturnsToTheDialog();

private:
    // Waits until every request of the test has been answered, so that none of a window a sign-in opened reaches a
    // later test or outlives the window: an answer is what releases the client that carried it.
    void settle() { QTRY_COMPARE_WITH_TIMEOUT(census->alive("QuorvelClient::Core::RestClient"), 0, 20000); }

    TestSupport::FakeNetwork* net = nullptr;
    std::unique_ptr<TestSupport::ObjectCensus> census;
};

// Every sign-in of these tests reaches the fake service through the fake proxy.
void tst_LogInDialog::initTestCase()
{
    net = new TestSupport::FakeNetwork(this);
    QVERIFY(net->start());
    net->service.addAccount(QStringLiteral("user@quorvel.example"), QStringLiteral("right"));
    net->useProxy();
}

void tst_LogInDialog::init()
{
    census.reset(); // one census at a time: each chains to the hook it found
    census = std::make_unique<TestSupport::ObjectCensus>();
}

void tst_LogInDialog::opensIdleWithoutRememberedCredentials()
{
    storeCredentials(false, false);
    LogInDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(child<QLineEdit>(&dialog, "email")->text(), QStringLiteral("user@quorvel.example"));
    // The password is only filled in when it was remembered.
    QVERIFY(child<QLineEdit>(&dialog, "password")->text().isEmpty());
    QVERIFY(!child<QCheckBox>(&dialog, "saveAuth")->isChecked());
    QVERIFY(child<QCheckBox>(&dialog, "saveAuth")->isVisible());
    QVERIFY(child<QPushButton>(&dialog, "btnOk")->isDefault());
    QVERIFY(!child<QPushButton>(&dialog, "btnOk")->isEnabled());
    QCOMPARE(child<QPushButton>(&dialog, "btnCancel")->text(), QStringLiteral("Close"));
    QVERIFY(!child<QLabel>(&dialog, "logo")->pixmap().isNull());
}

void tst_LogInDialog::signInNeedsBothFieldsInAccountMode()
{
    storeCredentials(false, false);
    LogInDialog dialog;
    dialog.show();
    auto* ok = child<QPushButton>(&dialog, "btnOk");
    auto* email = child<QLineEdit>(&dialog, "email");
    auto* password = child<QLineEdit>(&dialog, "password");
    email->clear();
    QTest::keyClicks(password, QStringLiteral("pw"));
    QVERIFY(!ok->isEnabled());
    QTest::keyClicks(email, QStringLiteral(" "));
    QVERIFY(ok->isEnabled());
    password->clear();
    QVERIFY(!ok->isEnabled());
}

void tst_LogInDialog::localModeHidesAccountRows()
{
    storeCredentials(false, false);
    LogInDialog dialog;
    dialog.show();
    child<QLineEdit>(&dialog, "email")->clear();
    auto* selector = child<QComboBox>(&dialog, "serviceTypeSelector");
    selector->setCurrentIndex(1);
    QVERIFY(child<QPushButton>(&dialog, "btnOk")->isEnabled());
    QVERIFY(!child<QFrame>(&dialog, "authFrame")->isVisible());
    QVERIFY(!child<QFrame>(&dialog, "linksFrame")->isVisible());
    QVERIFY(!child<QPushButton>(&dialog, "settings")->isVisible());
    QVERIFY(child<QCheckBox>(&dialog, "saveAuth")->isVisible());
    selector->setCurrentIndex(0);
    QVERIFY(child<QFrame>(&dialog, "authFrame")->isVisible());
    QVERIFY(!child<QPushButton>(&dialog, "btnOk")->isEnabled());
}

void tst_LogInDialog::removableDriveWipesThePasswordAtOnce()
{
    storeCredentials(true, false);
    settings()->sync();
    QFile file(settings()->fileName());
    QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll().contains("password=secret"));
    file.close();
    Utils::setWorkingDriveTypeForTesting(Utils::DriveRemovable);
    LogInDialog dialog;
    Utils::setWorkingDriveTypeForTesting(std::nullopt);
    // Off the drive before the program handles any event, with no countdown to sign in.
    QVERIFY(file.open(QIODevice::ReadOnly) && !file.readAll().contains("secret"));
    QVERIFY(child<QLineEdit>(&dialog, "password")->text().isEmpty());
    QVERIFY(child<QCheckBox>(&dialog, "saveAuth")->isHidden());
}

void tst_LogInDialog::rememberedCredentialsSignInAfterCountdown()
{
    storeCredentials(true, true);
    TestSupport::MessageCapture capture;
    LogInDialog dialog;
    dialog.show();
    QCOMPARE(child<QLineEdit>(&dialog, "password")->text(), QStringLiteral("secret"));
    QCOMPARE(child<QComboBox>(&dialog, "serviceTypeSelector")->currentIndex(), 1);
    QVERIFY(!child<QFrame>(&dialog, "authFrame")->isVisible());
    // Busy while counting down.
    QCOMPARE(child<QPushButton>(&dialog, "btnCancel")->text(), QStringLiteral("Cancel"));
    QVERIFY(child<QPushButton>(&dialog, "btnCancel")->isDefault());
    QVERIFY(!child<QPushButton>(&dialog, "btnOk")->isEnabled());
    QVERIFY(!child<QLineEdit>(&dialog, "email")->isEnabled());
    QVERIFY(!child<QComboBox>(&dialog, "serviceTypeSelector")->isEnabled());
    QVERIFY(child<QCheckBox>(&dialog, "saveAuth")->isEnabled());

    // Unticking "Remember me" does not stop the countdown, and its sign-in stores nothing.
    child<QCheckBox>(&dialog, "saveAuth")->setChecked(false);
    QVERIFY(!capture.contains(QStringLiteral("Start for local service")));
    QTRY_VERIFY_WITH_TIMEOUT(capture.contains(QStringLiteral("Start for local service")), 10000);
    settle();
    QCOMPARE(settings()->value(QStringLiteral("auth/saveAuth")).toBool(), true);
}

void tst_LogInDialog::cancelStopsCountdown()
{
    storeCredentials(true, false);
    TestSupport::MessageCapture capture;
    LogInDialog dialog;
    dialog.show();
    auto* cancel = child<QPushButton>(&dialog, "btnCancel");
    QTest::mouseClick(cancel, Qt::LeftButton);
    QVERIFY(dialog.isVisible());
    QCOMPARE(cancel->text(), QStringLiteral("Close"));
    QVERIFY(!child<QCheckBox>(&dialog, "saveAuth")->isChecked());
    QVERIFY(child<QPushButton>(&dialog, "btnOk")->isEnabled());
    QVERIFY(child<QLineEdit>(&dialog, "email")->isEnabled());
    QTest::qWait(3000);
    QVERIFY(!capture.contains(QStringLiteral("Start for")));
    // With no countdown running, the button closes the dialog.
    QTest::mouseClick(cancel, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
}

void tst_LogInDialog::signInStoresCredentialsOnlyWhenRemembered()
{
    storeCredentials(false, false);
    {
        LogInDialog dialog;
        dialog.show();
        auto* email = child<QLineEdit>(&dialog, "email");
        email->clear();
        QTest::keyClicks(email, QStringLiteral("other@quorvel.example"));
        QTest::keyClicks(child<QLineEdit>(&dialog, "password"), QStringLiteral("new password"));
        QTest::mouseClick(child<QPushButton>(&dialog, "btnOk"), Qt::LeftButton);
        QCOMPARE(settings()->value(QStringLiteral("auth/email")).toString(), QStringLiteral("other@quorvel.example"));
        QCOMPARE(settings()->value(QStringLiteral("auth/saveAuth")).toBool(), false);
        QCOMPARE(settings()->value(QStringLiteral("auth/password")).toString(), QStringLiteral("secret"));
        QCOMPARE(child<QPushButton>(&dialog, "btnCancel")->text(), QStringLiteral("Cancel"));
    }
    {
        LogInDialog dialog;
        dialog.show();
        QTest::keyClicks(child<QLineEdit>(&dialog, "password"), QStringLiteral("kept"));
        child<QCheckBox>(&dialog, "saveAuth")->setChecked(true);
        child<QComboBox>(&dialog, "serviceTypeSelector")->setCurrentIndex(1);
        QTest::mouseClick(child<QPushButton>(&dialog, "btnOk"), Qt::LeftButton);
        QCOMPARE(settings()->value(QStringLiteral("auth/saveAuth")).toBool(), true);
        QCOMPARE(settings()->value(QStringLiteral("auth/password")).toString(), QStringLiteral("kept"));
        QCOMPARE(settings()->value(QStringLiteral("auth/localOnly")).toBool(), true);
        settle();
    }
}

void tst_LogInDialog::signInOpensTheMainWindow()
{
    storeCredentials(false, true);
    net->service.clearRequests();
    TestSupport::FakeVideoServer local;
    QVERIFY(local.start());
    net->proxy.map(QStringLiteral("127.0.0.1"), local.port(), QHostAddress::LocalHost, local.port());
    QFile list(QStringLiteral("local_roster.txt"));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write(
        QJsonDocument(QJsonArray{QJsonObject{{"ip", "127.0.0.1"}, {"name", "Lab"}, {"port", local.port()}}}).toJson());
    list.close();
    QPointer<MainWindow> window;
    {
        LogInDialog dialog;
        dialog.show();
        child<QComboBox>(&dialog, "serviceTypeSelector")->setCurrentIndex(1);
        QTest::mouseClick(child<QPushButton>(&dialog, "btnOk"), Qt::LeftButton);
        QVERIFY(window = shownWindow<MainWindow>());
        QVERIFY(!dialog.isVisible());
        QVERIFY(window->findChild<QTimer*>(QStringLiteral("updateCheckTimer"))->isActive());
        // The local servers are asked at once; the account's servers, not in a local session.
        QTRY_COMPARE_WITH_TIMEOUT(local.requestCount("/streams/info"), 1, 20000);
        settle();
        QCOMPARE(net->service.requestCount("/public/roster"), 0);
    }
    // The dialog takes the window with it.
    QVERIFY(!window);
    list.remove();
}

void tst_LogInDialog::refusedSignInShowsTheServiceMessage()
{
    storeCredentials(false, false);
    TestSupport::BoxAnswerer boxes(QStringLiteral("OK"));

    LogInDialog dialog;
    dialog.show();
    QTest::keyClicks(child<QLineEdit>(&dialog, "password"), QStringLiteral("wrong"));
    QTest::mouseClick(child<QPushButton>(&dialog, "btnOk"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(boxes.count(), 1, 20000);
    QCOMPARE(boxes.last().title, QStringLiteral("Could not sign in"));
    QVERIFY2(boxes.last().text.startsWith(QStringLiteral("Could not sign in.\n")), qPrintable(boxes.last().text));
    QVERIFY2(boxes.last().text.endsWith(QStringLiteral(".\nError code: 10001.")), qPrintable(boxes.last().text));
    QCOMPARE(boxes.last().buttons, QStringList{QStringLiteral("OK")});
    // Back to idle, ready for another try.
    QCOMPARE(child<QPushButton>(&dialog, "btnCancel")->text(), QStringLiteral("Close"));
    QVERIFY(child<QLineEdit>(&dialog, "password")->isEnabled());

    // The right password signs in without a message.
    boxes.clear();
    child<QLineEdit>(&dialog, "password")->clear();
    QTest::keyClicks(child<QLineEdit>(&dialog, "password"), QStringLiteral("right"));
    QTest::mouseClick(child<QPushButton>(&dialog, "btnOk"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!QuorvelClient::Core::SessionManager::instance()->sessionId().isEmpty(), 20000);
    QCOMPARE(boxes.count(), 0);
    // An account's window asks for its servers at once.
    settle();
    QTRY_VERIFY_WITH_TIMEOUT(net->service.requestCount("/public/roster"), 20000);
}

void tst_LogInDialog::unreachableServiceOffersLocalAccess_data()
{
    QTest::addColumn<int>("code");
    QTest::newRow("network fails") << -4;
    QTest::newRow("service answers with an HTTP error") << -3;
}

void tst_LogInDialog::unreachableServiceOffersLocalAccess()
{
    QFETCH(int, code);
    if (code == -4)
        settings()->setValue(QStringLiteral("proxy/port"), 1); // nobody listens there
    else
        net->service.enqueueReply(TestSupport::PeerReply::json("{}", 503));
    storeCredentials(false, false);
    net->service.clearRequests();
    TestSupport::BoxAnswerer boxes(QStringLiteral("Enter for local access only"));

    LogInDialog dialog;
    dialog.show();
    QTest::keyClicks(child<QLineEdit>(&dialog, "password"), QStringLiteral("pw"));
    QTest::mouseClick(child<QPushButton>(&dialog, "btnOk"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(boxes.count(), 1, 20000);
    QVERIFY2(boxes.last().text.endsWith(QStringLiteral("Error code: %1.").arg(code)), qPrintable(boxes.last().text));
    QCOMPARE(boxes.last().buttons.size(), 2);
    QVERIFY(boxes.last().buttons.contains(QStringLiteral("Close this window")));
    QCOMPARE(child<QComboBox>(&dialog, "serviceTypeSelector")->currentIndex(), 1);
    settle();
    QVERIFY(!dialog.isVisible());
    // A local-only session: the window is up, and the account's servers are not asked for.
    QVERIFY(shownWindow<MainWindow>());
    QCOMPARE(net->service.requestCount("/public/roster"), 0);
    net->useProxy();
    net->service.clearScript();
}

void tst_LogInDialog::settingsOpenOnTheProxyTab()
{
    storeCredentials(true, false);
    TestSupport::BoxAnswerer boxes;
    QString shownTab;
    boxes.setDialogHandler([&](QDialog* settingsDialog) {
        shownTab = child<QTabWidget>(settingsDialog, "tabWidget")->currentWidget()->objectName();
        settingsDialog->reject();
        return settingsDialog->result();
    });
    LogInDialog dialog;
    dialog.show();
    child<QPushButton>(&dialog, "settings")->click();
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().className, QStringLiteral("QuorvelClient::GUI::SettingsDialog"));
    QCOMPARE(shownTab, QStringLiteral("connectionTab"));
    // The countdown stops, "Remember me" stays, and the settings dialog is gone once closed.
    QVERIFY(child<QCheckBox>(&dialog, "saveAuth")->isChecked());
    QCOMPARE(child<QPushButton>(&dialog, "btnCancel")->text(), QStringLiteral("Close"));
    for (QWidget* window : QApplication::topLevelWidgets())
        QVERIFY(!window->inherits("QuorvelClient::GUI::SettingsDialog"));
}

void tst_LogInDialog::settingsDuringSignInKeepTheAnswer()
{
    storeCredentials(false, false);
    TestSupport::BoxAnswerer boxes;
    LogInDialog dialog;
    dialog.show();
    QTest::keyClicks(child<QLineEdit>(&dialog, "password"), QStringLiteral("right"));
    QTest::mouseClick(child<QPushButton>(&dialog, "btnOk"), Qt::LeftButton);
    // The settings dialog opens while the sign-in is on its way.
    bool idleUnderSettings = false;
    boxes.setDialogHandler([&](QDialog* settingsDialog) {
        idleUnderSettings = child<QPushButton>(&dialog, "btnOk")->isEnabled() &&
                            child<QPushButton>(&dialog, "btnCancel")->text() == QStringLiteral("Close");
        settingsDialog->reject();
        return settingsDialog->result();
    });
    child<QPushButton>(&dialog, "settings")->click();
    QVERIFY(idleUnderSettings);
    QTRY_VERIFY_WITH_TIMEOUT(shownWindow<MainWindow>(), 20000);
    QVERIFY(!dialog.isVisible());
    settle();
}

void tst_LogInDialog::signOutReturnsToTheDialog_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<bool>("passwordKept");
    const QString elsewhere = QStringLiteral("You have been signed out.\nThis may have happened because you signed "
                                             "in on another computer or device.\nPlease sign in again.");
    QTest::newRow("user says Yes") << "Yes" << QString() << false;
    QTest::newRow("unknown code") << "555" << QString() << false;
    QTest::newRow("rejected session") << "badSession"
                                      << QStringLiteral(
                                             "You have been signed out.\nThis may have "
                                             "happened because of service error or because your session has expired.\n"
                                             "Please sign in again.")
                                      << true;
    QTest::newRow("signed in elsewhere") << "relogin" << elsewhere << true;
    // The roster and an archive request can both report one session that was taken over.
    QTest::newRow("two reports in a row") << "relogin twice" << elsewhere << true;
}

void tst_LogInDialog::signOutReturnsToTheDialog()
{
    QFETCH(QString, how);
    QFETCH(QString, notice);
    QFETCH(bool, passwordKept);
    storeCredentials(false, false);
    TestSupport::MessageCapture capture;
    LogInDialog dialog;
    dialog.show();
    auto* password = child<QLineEdit>(&dialog, "password");
    password->setText(QStringLiteral("secret"));
    child<QCheckBox>(&dialog, "saveAuth")->setChecked(true);
    child<QComboBox>(&dialog, "serviceTypeSelector")->setCurrentIndex(1);
    QTest::mouseClick(child<QPushButton>(&dialog, "btnOk"), Qt::LeftButton);
    const QPointer<MainWindow> window = shownWindow<MainWindow>();
    QVERIFY(window);
    const QStringList stored = authKeys();
    QCOMPARE(stored.at(1), QStringLiteral("secret"));

    struct Box
    {
        QString text;
        bool dialogShown;
        bool windowShown;
    };
    QList<Box> boxes;
    DialogSeam::setAnswerer([&](QDialog* shown) {
        auto* box = qobject_cast<QMessageBox*>(shown);
        if (!box)
            return int(QDialog::Rejected);
        boxes << Box{box->text(), dialog.isVisible(), window->isVisible()};
        if (QAbstractButton* yes = box->button(QMessageBox::Yes))
            yes->click();
        else
            box->buttons().first()->click();
        return box->result();
    });
    if (how == QStringLiteral("Yes"))
        window->findChild<QAction*>(QStringLiteral("actSignOut"))->trigger();
    else if (how.toInt())
        emit window->signoutRequired(how.toInt());
    else if (how == QStringLiteral("badSession"))
        emit window->findChild<RosterWidget*>()->badSession();
    else if (how == QStringLiteral("relogin"))
        emit window->findChild<RosterWidget*>()->relogin();
    else {
        emit window->findChild<RosterWidget*>()->relogin();
        emit window->findChild<PlaybackWindow2*>()->relogin();
    }
    QTRY_VERIFY_WITH_TIMEOUT(dialog.isVisible(), 10000);
    QTest::qWait(50); // a second report would be handled by now
    TestSupport::failOnUnexpectedBoxes();

    QVERIFY(!window->isVisible());
    QCOMPARE(capture.count(QStringLiteral("Sign out:")), 1);
    QCOMPARE(boxes.size(), int(how == QStringLiteral("Yes")) + int(!notice.isEmpty()));
    if (!notice.isEmpty()) {
        QCOMPARE(boxes.last().text, notice);
        QVERIFY(boxes.last().dialogShown);
        QVERIFY(!boxes.last().windowShown);
    }
    QCOMPARE(password->text(), passwordKept ? QStringLiteral("secret") : QString());
    QVERIFY(!child<QCheckBox>(&dialog, "saveAuth")->isChecked());
    QCOMPARE(child<QPushButton>(&dialog, "btnCancel")->text(), QStringLiteral("Close"));
    QVERIFY(child<QPushButton>(&dialog, "btnOk")->isEnabled());
    QCOMPARE(authKeys(), stored);

    // The next sign-in brings back the same window, and its next sign-out is handled once again.
    QTest::mouseClick(child<QPushButton>(&dialog, "btnOk"), Qt::LeftButton);
    QCOMPARE(shownWindow<MainWindow>(), window.data());
    QVERIFY(!dialog.isVisible());
    emit window->signoutRequired(0);
    QTRY_VERIFY_WITH_TIMEOUT(dialog.isVisible(), 10000);
    QCOMPARE(capture.count(QStringLiteral("Sign out:")), 2);
    settle();
}

QUORVEL_TEST_MAIN(tst_LogInDialog)
#include "tst_LogInDialog.moc"
