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

// Every value the dialog shows, one line each; a hidden label reads "-".
QStringList shown(QDialog* dialog)
{
    QStringList rights;
    for (const char* name : {"checkOwner", "checkView", "checkArchive"})
        rights << QString::number(child<QCheckBox>(dialog, name)->isChecked());
    QString payment = label(dialog, "paidComment");
    if (payment.contains(QLatin1String("<a href")))
        payment = payment.section(QLatin1String("<a href=\""), 1).section(QLatin1Char('"'), 0, 0);
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
    void linkOpensThePortal();
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
    const QString down = QStringLiteral("offline / Server is down or does not have access to the Internet.");
    // The rows run on the one dialog of the process, so each also checks that the previous values are replaced.
    QTest::newRow("online") << 0 << true << ""
                            << QStringList{"srv-0 Office", "online / -", " / -", "not blocked / -", "111"};
    QTest::newRow("some unpaid, billing")
        << 0x3 << true << "billing"
        << QStringList{"srv-3 Office", "online / -",
                       "some cameras were not paid / https://www.quorvel.example/?target=pay&amp;lang=en",
                       "not blocked / -", "111"};
    QTest::newRow("offline, blocked, other owner")
        << 0xE << false << "billing"
        << QStringList{"srv-14 Office", down, "cameras were not paid / Server's owner can pay for it's cameras.",
                       "blocked / Server is blocked by provider.", "011"};
    QTest::newRow("unpaid, other reason")
        << 0x2 << true << "camera"
        << QStringList{"srv-2 Office", "online / -",
                       "cameras were not paid / https://www.quorvel.example/?target=my-tariff&amp;lang=en",
                       "not blocked / -", "111"};
}

void tst_ServerPropertiesDialog::showsTheServer()
{
    QFETCH(int, flags);
    QFETCH(bool, owner);
    QFETCH(QString, status);
    QFETCH(QStringList, expected);
    auto server =
        std::make_shared<VideoServer>(VideoServer::VideoServerFlags(flags), QStringLiteral("srv-%1").arg(flags), 0, 0,
                                      0, QStringLiteral("Office"), owner, true, true, false, false, false, false);
    server->setServiceStatus(status);
    TestSupport::BoxAnswerer boxes;
    QStringList seen;
    boxes.setDialogHandler([&](QDialog* dialog) {
        seen = shown(dialog);
        QTest::mouseClick(child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok), Qt::LeftButton);
        return dialog->result();
    });
    QVERIFY(ServerPropertiesDialog::showProperties(server));
    QCOMPARE(seen, expected);
    QCOMPARE(boxes.last().title, QStringLiteral("Server properties"));
}

// The link is reached from the keyboard and opened in the browser; the dialog stays open until Escape.
void tst_ServerPropertiesDialog::linkOpensThePortal()
{
    auto server = std::make_shared<VideoServer>(VideoServer::SomeCamerasNotPaid, QStringLiteral("srv"), 0, 0, 0,
                                                QStringLiteral("Office"), true, true, true, false, false, false, false);
    server->setServiceStatus(QStringLiteral("billing"));
    TestSupport::UrlRecorder browser;
    TestSupport::BoxAnswerer boxes;
    bool openAfterLink = false;
    boxes.setDialogHandler([&](QDialog* dialog) {
        auto* comment = child<QLabel>(dialog, "paidComment");
        comment->setFocus();
        QTest::keyClick(comment, Qt::Key_Tab);
        QTest::keyClick(comment, Qt::Key_Return);
        openAfterLink = dialog->isVisible();
        QTest::keyClick(dialog, Qt::Key_Escape);
        return dialog->result();
    });
    QVERIFY(!ServerPropertiesDialog::showProperties(server));
    QVERIFY(openAfterLink);
    QCOMPARE(browser.opened, QList<QUrl>{QUrl(QStringLiteral("https://www.quorvel.example/?target=pay&lang=en"))});
}

QUORVEL_TEST_MAIN(tst_ServerPropertiesDialog)
#include "tst_ServerPropertiesDialog.moc"
