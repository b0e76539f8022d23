#include "application/Language.h"
#include "gui/mainwindow/ServerPropertiesDialog.h"
#include "support/BoxAnswerer.h"
#include "support/TestEnvironment.h"
#include "support/UrlRecorder.h"
#include "support/Widgets.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using QuorvelClient::Core::VideoServer;
using QuorvelClient::GUI::ServerPropertiesDialog;
using TestSupport::child;

namespace {

QString label(QDialog* dialog, const char* name)
{
    auto* shown = child<QLabel>(dialog, name);
    return shown->isHidden() ? QStringLiteral("-") : shown->text();
}

// Every value the dialog shows, one line each; a hidden label reads "-", and a payment link reads as the address
// that Tab and Return on it open in the browser, the dialog staying open.
QStringList shown(QDialog* dialog)
{
    QStringList rights;
    for (const char* name : {"checkOwner", "checkView", "checkArchive"})
        rights << QString::number(child<QCheckBox>(dialog, name)->isChecked());
    QString payment = label(dialog, "paidComment");
    if (payment.contains("<a href")) {
        TestSupport::UrlRecorder browser;
        auto* comment = child<QLabel>(dialog, "paidComment");
        comment->setFocus();
        QTest::keyClick(comment, Qt::Key_Tab);
        QTest::keyClick(comment, Qt::Key_Return);
        payment = browser.opened.value(0).toString() + (dialog->isVisible() ? "" : " (closed)");
    }
    return {child<QLineEdit>(dialog, "serverId")->text() + " " + child<QLineEdit>(dialog, "name")->text(),
            label(dialog, "status") + " / " + label(dialog, "statusComment"), label(dialog, "paid") + " / " + payment,
            label(dialog, "blocked") + " / " + label(dialog, "blockedComment"), rights.join(QString())};
}

} // namespace

class tst_ServerPropertiesDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void showsTheServer_data();
    void showsTheServer();
    void veryLongNameIsCut();
};

void tst_ServerPropertiesDialog::initTestCase()
{
    QuorvelClient::Application::loadLanguage(QStringLiteral("en"));
}

void tst_ServerPropertiesDialog::showsTheServer_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("owner");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("ok");
    const QString down = QStringLiteral("offline / Server is down or does not have access to the Internet.");
    // The rows run on the one dialog of the process, so each also checks that the previous values are replaced.
    QTest::newRow("online") << 0 << true << ""
                            << QStringList{"srv-0 Office", "online / -", " / -", "not blocked / -", "111"} << true;
    QTest::newRow("some unpaid, billing")
        << 0x3 << true << "billing"
        << QStringList{"srv-3 Office", "online / -",
                       "some cameras were not paid / https://www.quorvel.example/?target=pay&lang=en",
                       "not blocked / -", "111"}
        << true;
    QTest::newRow("offline, blocked, other owner")
        << 0xE << false << "billing"
        << QStringList{"srv-14 Office", down, "cameras were not paid / Server's owner can pay for it's cameras.",
                       "blocked / Server is blocked by provider.", "011"}
        << false;
    QTest::newRow("unpaid, other reason")
        << 0x2 << true << "camera"
        << QStringList{"srv-2 Office", "online / -",
                       "cameras were not paid / https://www.quorvel.example/?target=my-tariff&lang=en",
                       "not blocked / -", "111"}
        << false;
}

void tst_ServerPropertiesDialog::showsTheServer()
{
    QFETCH(int, flags);
    QFETCH(bool, owner);
    QFETCH(QString, status);
    QFETCH(QStringList, expected);
    QFETCH(bool, ok);
    auto server =
        std::make_shared<VideoServer>(VideoServer::VideoServerFlags(flags), QStringLiteral("srv-%1").arg(flags), 0, 0,
                                      0, QStringLiteral("Office"), owner, true, true, false, false, false, false);
    server->setServiceStatus(status);
    TestSupport::BoxAnswerer boxes;
    QStringList seen;
    boxes.setDialogHandler([&](QDialog* dialog) {
        seen = shown(dialog);
        if (ok)
            QTest::mouseClick(child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok),
                              Qt::LeftButton);
        else
            QTest::keyClick(dialog, Qt::Key_Escape);
        return dialog->result();
    });
    QCOMPARE(ServerPropertiesDialog::showProperties(server), ok);
    QCOMPARE(seen, expected);
    QCOMPARE(boxes.last().title, QStringLiteral("Server properties"));
}

// A name and an id of a million letters each show cut to a few hundred.
void tst_ServerPropertiesDialog::veryLongNameIsCut()
{
    auto server = std::make_shared<VideoServer>(VideoServer::VideoServerFlags(), QString(1000000, 'd'), 0, 0, 0,
                                                QString(1000000, 'n'), true, true, true, false, false, false, false);
    TestSupport::BoxAnswerer boxes;
    QStringList seen;
    boxes.setDialogHandler([&](QDialog* dialog) {
        seen = shown(dialog);
        QTest::keyClick(dialog, Qt::Key_Escape);
        return dialog->result();
    });
    ServerPropertiesDialog::showProperties(server);
    QCOMPARE(seen.value(0), QString(199, 'd') + QChar(0x2026) + ' ' + QString(199, 'n') + QChar(0x2026));
}

QUORVEL_TEST_MAIN(tst_ServerPropertiesDialog)
#include "tst_ServerPropertiesDialog.moc"
