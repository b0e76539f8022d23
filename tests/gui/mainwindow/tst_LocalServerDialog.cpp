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

// The location chosen, the address (marked when fixed), port, name, password (marked when in clear), whether
// "Show password" is offered, and the position.
QString shown(QDialog* dialog)
{
    const QLineEdit* ip = edit(dialog, "ipAddress");
    return QString("%1 %2%3 %4 \"%5\" \"%6\"%7%8 at %9,%10")
        .arg(child<QRadioButton>(dialog, "localhost")->isChecked() ? "local" : "network", ip->text(),
             ip->isEnabled() ? "" : " (fixed)", edit(dialog, "port")->text(), edit(dialog, "name")->text(),
             edit(dialog, "password")->text(),
             edit(dialog, "password")->echoMode() == QLineEdit::Normal ? " clear" : "",
             child<QCheckBox>(dialog, "showPassword")->isHidden() ? "" : " +show", QString::number(dialog->x()))
        .arg(dialog->y());
}

QString describe(const LocalVideoServerPtr& server)
{
    if (!server)
        return "null";
    return QString("%1 %2 \"%3\" \"%4\" %5%6")
        .arg(QString::number(server->state()), server->id(), server->name(), server->password(),
             QString::number(server->isArchiveExportSupported()), QString::number(server->isArchiveSearchSupported()));
}

void pressOk(QDialog* dialog)
{
    QTest::mouseClick(child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

} // namespace

class tst_LocalServerDialog : public QObject
{
    Q_OBJECT
private slots:
    void entryPoints_data();
    void entryPoints();
    void refusesFields_data();
    void refusesFields();
};

void tst_LocalServerDialog::entryPoints_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("offered");
    QTest::addColumn<QString>("result");
    // The offscreen screen is 800 x 800, and the form 453 x 329 until it takes its own size.
    QTest::newRow("add") << ""
                         << "local 127.0.0.1 (fixed) 8080 \"\" \"\" +show at 174,236"
                         << "3 127.0.0.1:8080 \"Home\" \"pw\" 00";
    QTest::newRow("edit on this computer") << "127.0.0.5"
                                           << "local 127.0.0.5 (fixed) 81 \"Lab\" \"pw\" at 174,236"
                                           << "3 127.0.0.5:81 \"Home\" \"pw\" 00";
    QTest::newRow("edit in the network") << "10.0.0.5"
                                         << "network 10.0.0.5 81 \"Lab\" \"pw\" at 174,236"
                                         << "3 10.0.0.5:81 \"Home\" \"pw\" 00";
}

// Each entry point shows what it is given and hands back a new offline record made from the fields.
void tst_LocalServerDialog::entryPoints()
{
    QFETCH(QString, host);
    QFETCH(QString, offered);
    QFETCH(QString, result);
    TestSupport::BoxAnswerer boxes;
    QStringList seen;
    boxes.setDialogHandler([&](QDialog* dialog) {
        seen << shown(dialog);
        edit(dialog, "name")->setText("Home");
        edit(dialog, "password")->setText("pw");
        if (host.isEmpty()) {
            QTest::mouseClick(child<QCheckBox>(dialog, "showPassword"), Qt::LeftButton);
            seen << shown(dialog).section(" at", 0, 0);
        }
        pressOk(dialog);
        return dialog->result();
    });
    const auto given = std::make_shared<LocalVideoServer>(LocalVideoServer::Online, host, 81, "Lab", "pw", true, true);
    const LocalVideoServerPtr made =
        host.isEmpty() ? LocalServerDialog::addServer() : LocalServerDialog::editServer(given);
    QCOMPARE(seen.first(), offered);
    if (host.isEmpty())
        QCOMPARE(seen.last(), QString("local 127.0.0.1 (fixed) 8080 \"Home\" \"pw\" clear +show"));
    QCOMPARE(describe(made), result);
    QCOMPARE(describe(given), QString("0 %1:81 \"Lab\" \"pw\" 11").arg(host));
    QVERIFY(!LocalServerDialog::editServer(nullptr));
    QCOMPARE(boxes.count(), 1);
}

void tst_LocalServerDialog::refusesFields_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("focus");
    const QString range = "Please enter a port number from 1 to 65535.";
    QTest::newRow("all empty") << QStringList{"", "", ""} << "Please fill the IP-address field."
                               << "ipAddress";
    QTest::newRow("no port") << QStringList{"h", "", ""} << "Please fill the videoserver's port field."
                             << "port";
    QTest::newRow("no name") << QStringList{"h", "abc", ""} << "Please enter the name for this videoserver."
                             << "name";
    QTest::newRow("letters") << QStringList{"h", "abc", "N"} << range << "port";
    QTest::newRow("zero") << QStringList{"h", "0", "N"} << range << "port";
    QTest::newRow("too high") << QStringList{"h", "65536", "N"} << range << "port";
    QTest::newRow("space") << QStringList{"h", " 80", "N"} << range << "port";
    QTest::newRow("highest") << QStringList{"my server", "65535", "N"} << ""
                             << "";
}

// A refused field gets one warning and the focus; the dialog stays open with everything as entered.
void tst_LocalServerDialog::refusesFields()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, warning);
    QFETCH(QString, focus);
    TestSupport::BoxAnswerer boxes("OK");
    QString before, after, focused;
    boxes.setDialogHandler([&](QDialog* dialog) {
        child<QRadioButton>(dialog, "foreignHost")->setChecked(true);
        edit(dialog, "ipAddress")->setText(fields[0]);
        edit(dialog, "port")->setText(fields[1]);
        edit(dialog, "name")->setText(fields[2]);
        before = shown(dialog);
        pressOk(dialog);
        after = dialog->isVisible() ? shown(dialog) : QString();
        focused = dialog->focusWidget() ? dialog->focusWidget()->objectName() : QString();
        return dialog->result();
    });
    const LocalVideoServerPtr server = LocalServerDialog::addServer();
    if (warning.isEmpty()) {
        QCOMPARE(describe(server), QString("3 my server:65535 \"N\" \"\" 00"));
        QCOMPARE(boxes.count(), 1);
        return;
    }
    QVERIFY(!server);
    QCOMPARE(after, before);
    QCOMPARE(focused, focus);
    QCOMPARE(boxes.count(), 2);
    QCOMPARE(QStringList({boxes.last().title, boxes.last().text, boxes.last().buttons.join('|')}),
             QStringList({"Could not add videoserver", warning, "OK"}));
}

QUORVEL_TEST_MAIN(tst_LocalServerDialog)
#include "tst_LocalServerDialog.moc"
