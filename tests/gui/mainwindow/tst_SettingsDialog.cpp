#include "application/Language.h"
#include "gui/mainwindow/PathValidator.h"
#include "gui/mainwindow/SettingsDialog.h"
#include "support/BoxAnswerer.h"
#include "support/TestEnvironment.h"
#include "support/Widgets.h"
#include "utils/DiskSpace.h"
#include "utils/DriveType.h"
#include "utils/Settings.h"
#include "utils/SettingsKeys.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using QuorvelClient::GUI::SettingsDialog;
using TestSupport::child;

namespace {

constexpr quint64 kGiB = quint64(1) << 30;

QString coloured(const char* colour, const QString& text)
{
    return QStringLiteral("<p style=\"color:%1\">%2</p>").arg(QLatin1String(colour), text);
}

QByteArray iniBytes()
{
    Utils::Settings::instance()->sync();
    QFile file(Utils::Settings::instance()->fileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QLineEdit* edit(QWidget* dialog, const char* name)
{
    return child<QLineEdit>(dialog, name);
}

void press(SettingsDialog* dialog, QDialogButtonBox::StandardButton button)
{
    QTest::mouseClick(child<QDialogButtonBox>(dialog, "buttonBox")->button(button), Qt::LeftButton);
}

// Answers the free-space query with fixed figures and records the folder it was asked about.
struct FakeDrive
{
    quint64 total, free;
    QString asked;
    FakeDrive(quint64 totalBytes, quint64 freeBytes) : total(totalBytes), free(freeBytes)
    {
        Utils::setFreeSpaceForTesting([this](const std::string& path, quint64* t, quint64* f, quint64*) {
            asked = QString::fromStdString(path);
            return (*t = total, *f = free, true);
        });
    }
    ~FakeDrive() { Utils::setFreeSpaceForTesting({}); }
};

const char* const kProxyEdits[] = {"proxyHost", "proxyPort", "proxyLogin", "proxyPassword"};

} // namespace

class tst_SettingsDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void emptySettingsShowDefaults();
    void freeSpaceLabel_data();
    void freeSpaceLabel();
    void okSavesEveryKeyInItsType();
    void checkBoxesKeepToTheirOwnKeys_data();
    void checkBoxesKeepToTheirOwnKeys();
    void cancelRefillsAndWritesNothing();
    void unusableFolderAsksBeforeSaving();
    void folderChooserFillsTheLine();
    void removableDriveKeepsNoPassword();
    void languageFollowsTheRunningOne();

private:
    QString plainFile;
};

void tst_SettingsDialog::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("Quorvel Client"));
    QuorvelClient::Application::loadLanguage(QStringLiteral("en"));
    plainFile = TestSupport::workDir() + QStringLiteral("/plain.txt");
    QFile file(plainFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

void tst_SettingsDialog::init()
{
    for (const char* key : {"auth", "common", "proxy", "arcExport"})
        Utils::Settings::instance()->remove(QLatin1String(key));
}

void tst_SettingsDialog::emptySettingsShowDefaults()
{
    SettingsDialog dialog;
    for (const char* name : {"email", "password", "proxyHost", "proxyLogin", "proxyPassword"})
        QVERIFY2(edit(&dialog, name)->text().isEmpty(), name);
    for (const char* name : {"coloredArchive", "noWatchLimit", "useProxy"})
        QVERIFY2(!child<QCheckBox>(&dialog, name)->isChecked(), name);
    for (const char* name : kProxyEdits)
        QVERIFY2(!edit(&dialog, name)->isEnabled(), name);
    QVERIFY(child<QLabel>(&dialog, "label_3")->isEnabled());
    QCOMPARE(edit(&dialog, "proxyPort")->text(), QStringLiteral("0"));
    QCOMPARE(child<QComboBox>(&dialog, "language")->currentText(), QStringLiteral("English (Английский)"));
    // Blanks and "!" cannot be typed into the address; an unfinished one can.
    QTest::keyClicks(edit(&dialog, "email"), QStringLiteral("us er!@quorvel"));
    QCOMPARE(edit(&dialog, "email")->text(), QStringLiteral("user@quorvel"));

    // The default folder does not exist yet; the label measures the home folder that will hold it.
    const QString folder = QDir::homePath() + QStringLiteral("/Videos/Quorvel");
    QCOMPARE(edit(&dialog, "pathEdit")->text(), folder);
    QVERIFY(!QFileInfo::exists(folder));
    quint64 total = 0, free = 0;
    QVERIFY(Utils::diskSpace(QDir::homePath().toStdString(), &total, &free));
    // Other programs write to the same drive meanwhile: the free figure may move by a few megabytes.
    const QRegularExpressionMatch shown =
        QRegularExpression(QStringLiteral("^<p style=\"color:(#[0-9A-F]{6})\">"
                                          "Available ([0-9.]+) of ([0-9.]+) Gb.</p>$"))
            .match(child<QLabel>(&dialog, "availLabel")->text());
    QVERIFY2(shown.hasMatch(), qPrintable(child<QLabel>(&dialog, "availLabel")->text()));
    QCOMPARE(shown.captured(1), QString(free > kGiB ? "#000000" : "#FF0000"));
    QVERIFY2(qAbs(shown.captured(2).toDouble() - double(free) / kGiB) < 0.1, qPrintable(shown.captured(2)));
    QCOMPARE(shown.captured(3), QString::number(double(total) / kGiB, 'f', 2));
}

void tst_SettingsDialog::freeSpaceLabel_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<quint64>("total");
    QTest::addColumn<quint64>("free");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("measured");

    const QString home = QDir::homePath();
    const QString bad = coloured("#FF0000", QStringLiteral("Incorrect path!"));
    QTest::newRow("exactly 1 GiB") << home << 10 * kGiB << kGiB
                                   << coloured("#FF0000", QStringLiteral("Available 1.00 of 10.00 Gb.")) << home;
    QTest::newRow("a byte more") << home << 10 * kGiB << kGiB + 1
                                 << coloured("#000000", QStringLiteral("Available 1.00 of 10.00 Gb.")) << home;
    QTest::newRow("931.5 GiB drive") << home << 1863 * kGiB / 2 << 5 * kGiB / 2
                                     << coloured("#000000", QStringLiteral("Available 2.50 of 931.50 Gb.")) << home;
    QTest::newRow("missing folders") << home + QStringLiteral("/a/b/") << 4 * kGiB << 2 * kGiB
                                     << coloured("#000000", QStringLiteral("Available 2.00 of 4.00 Gb.")) << home;
    QTest::newRow("a file") << plainFile << 4 * kGiB << 2 * kGiB << bad << QString();
    QTest::newRow("below a file") << plainFile + QStringLiteral("/sub") << 4 * kGiB << 2 * kGiB << bad << QString();
    QTest::newRow("under /proc") << QStringLiteral("/proc/quorvel") << 4 * kGiB << 2 * kGiB << bad << QString();
    QTest::newRow("empty") << QString() << 4 * kGiB << 2 * kGiB << bad << QString();
}

void tst_SettingsDialog::freeSpaceLabel()
{
    QFETCH(QString, path);
    QFETCH(quint64, total);
    QFETCH(quint64, free);
    QFETCH(QString, label);
    QFETCH(QString, measured);

    FakeDrive drive(total, free);
    QWidget parent;
    auto* line = new QLineEdit(QStringLiteral("/"), &parent);
    auto* availLabel = new QLabel(&parent);
    auto* validator = new QuorvelClient::GUI::PathValidator(line, new QPushButton(&parent), availLabel, &parent);
    drive.asked.clear();
    line->setText(path);
    QCOMPARE(availLabel->text(), label);
    QCOMPARE(drive.asked, measured);
    QCOMPARE(validator->Update(), label.contains(QLatin1String("#000000")));
    QVERIFY(!QFileInfo::exists(QDir::homePath() + QStringLiteral("/a")));
}

void tst_SettingsDialog::okSavesEveryKeyInItsType()
{
    Utils::Settings::instance()->setValue(QStringLiteral("proxy/port"), QStringLiteral("abc"));
    Utils::Settings::instance()->setValue(QStringLiteral("common/noWatchLimit"), QStringLiteral("yes"));
    Utils::Keys::authEmail().setValue(QStringLiteral("a+b@quorvel.example"));
    TestSupport::BoxAnswerer boxes(QStringLiteral("OK"));
    SettingsDialog dialog;
    dialog.show();
    QCOMPARE(edit(&dialog, "proxyPort")->text(), QStringLiteral("0"));
    // An address that could not be typed is shown as it stands.
    QCOMPARE(edit(&dialog, "email")->text(), QStringLiteral("a+b@quorvel.example"));

    child<QCheckBox>(&dialog, "useProxy")->click();
    for (const char* name : kProxyEdits)
        QVERIFY2(edit(&dialog, name)->isEnabled(), name);
    edit(&dialog, "proxyPort")->clear();
    QTest::keyClicks(edit(&dialog, "proxyPort"), QStringLiteral("65536"));
    QCOMPARE(edit(&dialog, "proxyPort")->text(), QStringLiteral("6553"));
    const char* const typed[][2] = {
        {"proxyHost", "proxy.lan"}, {"proxyLogin", "user"}, {"proxyPassword", "pw"}, {"password", "secret"}};
    for (const auto& field : typed)
        QTest::keyClicks(edit(&dialog, field[0]), QLatin1String(field[1]));
    child<QCheckBox>(&dialog, "coloredArchive")->click();
    edit(&dialog, "pathEdit")->setText(QDir::homePath());
    press(&dialog, QDialogButtonBox::Ok);

    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(boxes.count(), 0);
    const QByteArray ini = iniBytes();
    for (const QByteArray& line :
         {QByteArray("email=a+b@quorvel.example"), QByteArray("password=secret"), QByteArray("coloredArchive=true"),
          QByteArray("noWatchLimit=true"), QByteArray("language=en"), QByteArray("useProxy=true"),
          QByteArray("host=proxy.lan"), QByteArray("port=6553"), QByteArray("username=user"), QByteArray("password=pw"),
          "path=" + QDir::homePath().toUtf8()})
        QVERIFY2(ini.contains(line + '\n'), line.constData());
    QCOMPARE(Utils::Settings::instance()->value(QStringLiteral("proxy/port")).typeId(), int(QMetaType::Int));
    QCOMPARE(QFile(Utils::Settings::instance()->fileName()).permissions() & ~(QFile::ReadUser | QFile::WriteUser),
             QFile::ReadOwner | QFile::WriteOwner);

    dialog.show();
    edit(&dialog, "proxyPort")->clear();
    press(&dialog, QDialogButtonBox::Ok);
    QCOMPARE(Utils::Keys::proxyPort().value(), 0);
}

void tst_SettingsDialog::checkBoxesKeepToTheirOwnKeys_data()
{
    QTest::addColumn<bool>("colored");
    QTest::addColumn<bool>("noLimit");
    QTest::newRow("coloured archive only") << true << false;
    QTest::newRow("no watch limit only") << false << true;
}

// The two boxes in different states: each is saved to its own key, and shown again from it.
void tst_SettingsDialog::checkBoxesKeepToTheirOwnKeys()
{
    QFETCH(bool, colored);
    QFETCH(bool, noLimit);
    Utils::Keys::arcExportPath().setValue(QDir::homePath());
    SettingsDialog dialog;
    dialog.show();
    child<QCheckBox>(&dialog, "coloredArchive")->setChecked(colored);
    child<QCheckBox>(&dialog, "noWatchLimit")->setChecked(noLimit);
    press(&dialog, QDialogButtonBox::Ok);

    QCOMPARE(Utils::Keys::coloredArchive().value(), colored);
    QCOMPARE(Utils::Keys::noWatchLimit().value(), noLimit);
    const QByteArray ini = iniBytes();
    QVERIFY(ini.contains(QByteArray("coloredArchive=") + (colored ? "true" : "false") + '\n'));
    QVERIFY(ini.contains(QByteArray("noWatchLimit=") + (noLimit ? "true" : "false") + '\n'));
    SettingsDialog again;
    QCOMPARE(child<QCheckBox>(&again, "coloredArchive")->isChecked(), colored);
    QCOMPARE(child<QCheckBox>(&again, "noWatchLimit")->isChecked(), noLimit);
}

void tst_SettingsDialog::cancelRefillsAndWritesNothing()
{
    Utils::Keys::proxyHost().setValue(QStringLiteral("kept.lan"));
    Utils::Keys::arcExportPath().setValue(QDir::homePath());
    const QByteArray before = iniBytes();
    SettingsDialog dialog;
    dialog.show();
    edit(&dialog, "proxyHost")->setText(QStringLiteral("changed.lan"));
    edit(&dialog, "pathEdit")->setText(QStringLiteral("/elsewhere"));
    child<QCheckBox>(&dialog, "useProxy")->click();
    child<QComboBox>(&dialog, "language")->setCurrentIndex(1);
    press(&dialog, QDialogButtonBox::Cancel);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(edit(&dialog, "proxyHost")->text(), QStringLiteral("kept.lan"));
    QCOMPARE(edit(&dialog, "pathEdit")->text(), QDir::homePath());
    QVERIFY(!child<QCheckBox>(&dialog, "useProxy")->isChecked());
    QVERIFY(!edit(&dialog, "proxyHost")->isEnabled());
    QCOMPARE(child<QComboBox>(&dialog, "language")->currentIndex(), 0);
    QCOMPARE(iniBytes(), before);
}

void tst_SettingsDialog::unusableFolderAsksBeforeSaving()
{
    Utils::Keys::arcExportPath().setValue(plainFile + QStringLiteral("/sub"));
    const QByteArray before = iniBytes();
    TestSupport::BoxAnswerer boxes(QStringLiteral("No"));
    SettingsDialog dialog;
    dialog.show();
    edit(&dialog, "proxyHost")->setText(QStringLiteral("changed.lan"));
    press(&dialog, QDialogButtonBox::Ok);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().title, QStringLiteral("Quorvel Client"));
    QCOMPARE(boxes.last().text, QStringLiteral("Your archive export path is incorrect! Records export to this path "
                                               "may work incorrectly. Apply the settings anyway?"));
    QCOMPARE(boxes.last().buttons, (QStringList{QStringLiteral("Yes"), QStringLiteral("No")}));
    QVERIFY(dialog.isVisible());
    QCOMPARE(iniBytes(), before);

    boxes.answerNext({QStringLiteral("Yes")});
    press(&dialog, QDialogButtonBox::Ok);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(Utils::Keys::proxyHost().value(), QStringLiteral("changed.lan"));
}

void tst_SettingsDialog::folderChooserFillsTheLine()
{
    const QString picked = TestSupport::workDir() + QStringLiteral("/picked");
    QVERIFY(QDir().mkpath(picked));
    FakeDrive drive(8 * kGiB, 4 * kGiB);
    SettingsDialog dialog;
    TestSupport::BoxAnswerer boxes;
    bool accept = true;
    boxes.setDialogHandler([&](QDialog* chooser) {
        static_cast<QFileDialog*>(chooser)->setDirectory(picked);
        accept ? chooser->accept() : chooser->reject();
        return chooser->result();
    });
    auto* label = child<QLabel>(&dialog, "availLabel");
    child<QPushButton>(&dialog, "pathButton")->click();
    QCOMPARE(boxes.last().className, QStringLiteral("QFileDialog"));
    QCOMPARE(edit(&dialog, "pathEdit")->text(), picked);
    QCOMPARE(label->text(), coloured("#000000", QStringLiteral("Available 4.00 of 8.00 Gb.")));

    // A cancelled chooser leaves the line and still measures again.
    edit(&dialog, "pathEdit")->setText(QDir::homePath());
    accept = false;
    drive.free = kGiB / 2;
    child<QPushButton>(&dialog, "pathButton")->click();
    QCOMPARE(edit(&dialog, "pathEdit")->text(), QDir::homePath());
    QCOMPARE(label->text(), coloured("#FF0000", QStringLiteral("Available 0.50 of 8.00 Gb.")));
}

void tst_SettingsDialog::removableDriveKeepsNoPassword()
{
    Utils::Keys::authPassword().setValue(QStringLiteral("old"));
    Utils::Keys::arcExportPath().setValue(QDir::homePath());
    Utils::setWorkingDriveTypeForTesting(Utils::DriveRemovable);
    SettingsDialog dialog;
    Utils::setWorkingDriveTypeForTesting(std::nullopt);
    QVERIFY(!edit(&dialog, "password")->isEnabled());
    QVERIFY(edit(&dialog, "password")->text().isEmpty());
    dialog.show();
    press(&dialog, QDialogButtonBox::Ok);
    QVERIFY(Utils::Keys::authPassword().isStored());
    QCOMPARE(Utils::Keys::authPassword().value(), QString());
}

// Runs last: it changes the process-wide language.
void tst_SettingsDialog::languageFollowsTheRunningOne()
{
    Utils::Keys::arcExportPath().setValue(QDir::homePath());
    TestSupport::BoxAnswerer boxes(QStringLiteral("OK"));
    // Picks a language item, presses OK and tells how many notices came.
    auto choose = [&](SettingsDialog& dialog, int item) {
        boxes.clear();
        dialog.show();
        child<QComboBox>(&dialog, "language")->setCurrentIndex(item);
        press(&dialog, QDialogButtonBox::Ok);
        return boxes.count();
    };
    {
        SettingsDialog dialog;
        QCOMPARE(choose(dialog, 1), 1);
        QCOMPARE(Utils::Keys::language().value(), QStringLiteral("ru"));
        QCOMPARE(boxes.last().title, QStringLiteral("Restart required"));
        QCOMPARE(boxes.last().text,
                 QStringLiteral("The language change will take effect after restart of Quorvel Client."));
    }
    QuorvelClient::Application::loadLanguage(QStringLiteral("ru"));
    {
        SettingsDialog dialog;
        QCOMPARE(child<QComboBox>(&dialog, "language")->currentText(), QStringLiteral("Русский (Russian)"));
        QCOMPARE(choose(dialog, 0), 1);
        QCOMPARE(Utils::Keys::language().value(), QStringLiteral("en"));
        // Back to the running language before a restart: no notice.
        QCOMPARE(choose(dialog, 1), 0);
        QCOMPARE(Utils::Keys::language().value(), QStringLiteral("ru"));
    }
    // A system language the program has no catalogue for.
    QuorvelClient::Application::loadLanguage(QStringLiteral("de"));
    {
        SettingsDialog dialog;
        QCOMPARE(child<QComboBox>(&dialog, "language")->currentIndex(), 0);
        QCOMPARE(choose(dialog, 0), 1);
        QCOMPARE(Utils::Keys::language().value(), QStringLiteral("en"));
    }
    QuorvelClient::Application::loadLanguage(QStringLiteral("en"));
}

QUORVEL_TEST_MAIN(tst_SettingsDialog)
#include "tst_SettingsDialog.moc"
