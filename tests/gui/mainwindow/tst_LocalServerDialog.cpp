#include "gui/mainwindow/LocalServerDialog.h"
#include "support/BoxAnswerer.h"
#include "support/TestEnvironment.h"
#include "support/Widgets.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using QuorvelClient::Core::LocalVideoServer;
using QuorvelClient::Core::LocalVideoServerPtr;
using TestSupport::child;

namespace {

QLineEdit* edit(QDialog* dialog, const char* name)
{
    return child<QLineEdit>(dialog, name);
}

void pressOk(QDialog* dialog)
{
    QTest::mouseClick(child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

QString describe(const LocalVideoServerPtr& server)
{
    if (!server)
        return QStringLiteral("null");
    return QStringLiteral("%1 %2:%3 \"%4\" \"%5\" %6")
        .arg(QString::number(server->state()), server->host(), QString::number(server->port()), server->name(),
             server->password(),
             QString::number(server->isArchiveExportSupported()) + QString::number(server->isArchiveSearchSupported()));
}

// The location chosen, the address (marked when it cannot be edited), port, name, password (marked when shown in
// clear) and whether "Show password" is offered.
QString shown(QDialog* dialog)
{
    QString text =
        child<QRadioButton>(dialog, "localhost")->isChecked() ? QStringLiteral("local ") : QStringLiteral("network ");
    text += edit(dialog, "ipAddress")->text() + (edit(dialog, "ipAddress")->isEnabled() ? "" : " (fixed)");
    text += QStringLiteral(" %1 \"%2\" \"%3\"")
                .arg(edit(dialog, "port")->text(), edit(dialog, "name")->text(), edit(dialog, "password")->text());
    if (edit(dialog, "password")->echoMode() == QLineEdit::Normal)
        text += QStringLiteral(" clear");
    if (!child<QCheckBox>(dialog, "showPassword")->isHidden())
        text += QStringLiteral(" +show");
    return text;
}

} // namespace

class tst_LocalServerDialog : public QObject
{
    Q_OBJECT
private slots:
    void addsAServer();
    void closingReturnsNothing_data();
    void closingReturnsNothing();
    void refusesFields_data();
    void refusesFields();
    void editsAServer();
};

void tst_LocalServerDialog::addsAServer()
{
    TestSupport::BoxAnswerer boxes;
    QStringList seen;
    QPoint position;
    boxes.setDialogHandler([&](QDialog* dialog) {
        position = dialog->pos();
        seen << shown(dialog);
        edit(dialog, "name")->setText(QStringLiteral("Home"));
        edit(dialog, "password")->setText(QStringLiteral("secret"));
        QTest::mouseClick(child<QCheckBox>(dialog, "showPassword"), Qt::LeftButton);
        seen << shown(dialog);
        pressOk(dialog);
        return dialog->result();
    });
    QCOMPARE(describe(LocalServerDialog::addServer()), QStringLiteral("3 127.0.0.1:8080 \"Home\" \"secret\" 00"));
    QCOMPARE(boxes.last().title, QStringLiteral("Add local videoserver"));
    // The offscreen screen is 800 x 800, and the form 453 x 329 until it takes its own size.
    QCOMPARE(position, QPoint(174, 236));
    QCOMPARE(seen, QStringList({"local 127.0.0.1 (fixed) 8080 \"\" \"\" +show",
                                "local 127.0.0.1 (fixed) 8080 \"Home\" \"secret\" clear +show"}));

    boxes.setDialogHandler([](QDialog* dialog) {
        child<QRadioButton>(dialog, "foreignHost")->setChecked(true);
        edit(dialog, "ipAddress")->setText(QStringLiteral("my server"));
        edit(dialog, "port")->setText(QStringLiteral("065535"));
        edit(dialog, "name")->setText(QStringLiteral("Склад"));
        pressOk(dialog);
        return dialog->result();
    });
    QCOMPARE(describe(LocalServerDialog::addServer()), QStringLiteral("3 my server:65535 \"Склад\" \"\" 00"));
}

void tst_LocalServerDialog::closingReturnsNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel") << "Cancel";
    QTest::newRow("Escape") << "Escape";
    QTest::newRow("title bar") << "close";
}

void tst_LocalServerDialog::closingReturnsNothing()
{
    QFETCH(QString, how);
    TestSupport::BoxAnswerer boxes;
    boxes.setDialogHandler([&](QDialog* dialog) {
        edit(dialog, "name")->setText(QStringLiteral("Home"));
        if (how == QLatin1String("Cancel"))
            QTest::mouseClick(child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Cancel),
                              Qt::LeftButton);
        else if (how == QLatin1String("Escape"))
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            dialog->close();
        return dialog->result();
    });
    QVERIFY(!LocalServerDialog::addServer());
    QCOMPARE(boxes.count(), 1);
}

void tst_LocalServerDialog::refusesFields_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("field");
    const QString fill = QStringLiteral("Please fill the IP-address field.");
    const QString range = QStringLiteral("Please enter a port number from 1 to 65535.");
    QTest::newRow("all empty") << ""
                               << ""
                               << "" << fill << "ipAddress";
    QTest::newRow("no port") << "10.0.0.5"
                             << ""
                             << ""
                             << "Please fill the videoserver's port field."
                             << "port";
    QTest::newRow("no name") << "10.0.0.5"
                             << "abc"
                             << ""
                             << "Please enter the name for this videoserver."
                             << "name";
    QTest::newRow("letters") << "10.0.0.5"
                             << "abc"
                             << "Lab" << range << "port";
    QTest::newRow("zero") << "10.0.0.5"
                          << "0"
                          << "Lab" << range << "port";
    QTest::newRow("too high") << "10.0.0.5"
                              << "65536"
                              << "Lab" << range << "port";
    QTest::newRow("sign") << "10.0.0.5"
                          << "+80"
                          << "Lab" << range << "port";
    QTest::newRow("space") << "10.0.0.5"
                           << " 80"
                           << "Lab" << range << "port";
    QTest::newRow("lowest") << "10.0.0.5"
                            << "1"
                            << "Lab"
                            << ""
                            << "";
}

// A refused field gets one warning and the focus; the dialog stays open with everything as entered.
void tst_LocalServerDialog::refusesFields()
{
    QFETCH(QString, ip);
    QFETCH(QString, port);
    QFETCH(QString, name);
    QFETCH(QString, warning);
    QFETCH(QString, field);
    TestSupport::BoxAnswerer boxes(QStringLiteral("OK"));
    QString before, after, focused;
    boxes.setDialogHandler([&](QDialog* dialog) {
        child<QRadioButton>(dialog, "foreignHost")->setChecked(true);
        edit(dialog, "ipAddress")->setText(ip);
        edit(dialog, "port")->setText(port);
        edit(dialog, "name")->setText(name);
        before = shown(dialog);
        pressOk(dialog);
        after = shown(dialog);
        focused = dialog->focusWidget() ? dialog->focusWidget()->objectName() : QString();
        if (dialog->isVisible() && dialog->result() != QDialog::Accepted)
            dialog->reject();
        return dialog->result();
    });
    const LocalVideoServerPtr server = LocalServerDialog::addServer();
    QCOMPARE(bool(server), warning.isEmpty());
    if (warning.isEmpty()) {
        QCOMPARE(boxes.count(), 1);
        return;
    }
    QCOMPARE(after, before);
    QCOMPARE(focused, field);
    QCOMPARE(boxes.count(), 2);
    const TestSupport::BoxAnswerer::Seen& box = boxes.last();
    QCOMPARE(box.title, QStringLiteral("Could not add videoserver"));
    QCOMPARE(box.text, warning);
    QCOMPARE(box.buttons, QStringList{QStringLiteral("OK")});
}

void tst_LocalServerDialog::editsAServer()
{
    QVERIFY(!LocalServerDialog::editServer(nullptr));

    TestSupport::BoxAnswerer boxes;
    QStringList seen;
    auto loopback =
        std::make_shared<LocalVideoServer>(LocalVideoServer::Online, "127.0.0.5", 8081, "Lab", "pw", true, false);
    boxes.setDialogHandler([&](QDialog* dialog) {
        seen << shown(dialog);
        child<QRadioButton>(dialog, "foreignHost")->setChecked(true);
        seen << shown(dialog);
        child<QRadioButton>(dialog, "localhost")->setChecked(true);
        edit(dialog, "name")->setText(QStringLiteral("Lab 2"));
        seen << shown(dialog);
        pressOk(dialog);
        return dialog->result();
    });
    QCOMPARE(describe(LocalServerDialog::editServer(loopback)), QStringLiteral("3 127.0.0.1:8081 \"Lab 2\" \"pw\" 00"));
    QCOMPARE(boxes.last().title, QStringLiteral("Edit local videoserver settings"));
    QCOMPARE(seen, QStringList({"local 127.0.0.5 (fixed) 8081 \"Lab\" \"pw\"", "network 127.0.0.5 8081 \"Lab\" \"pw\"",
                                "local 127.0.0.1 (fixed) 8081 \"Lab 2\" \"pw\""}));
    QCOMPARE(describe(loopback), QStringLiteral("0 127.0.0.5:8081 \"Lab\" \"pw\" 10"));

    seen.clear();
    auto remote =
        std::make_shared<LocalVideoServer>(LocalVideoServer::Offline, "10.0.0.5", 80, "Gate", "", false, false);
    boxes.setDialogHandler([&](QDialog* dialog) {
        seen << shown(dialog);
        pressOk(dialog);
        return dialog->result();
    });
    const LocalVideoServerPtr same = LocalServerDialog::editServer(remote);
    QCOMPARE(seen, QStringList({"network 10.0.0.5 80 \"Gate\" \"\""}));
    QVERIFY(same && same != remote && *same == *remote);
}

QUORVEL_TEST_MAIN(tst_LocalServerDialog)
#include "tst_LocalServerDialog.moc"
