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

void clickOk(SettingsDialog* dialog)
{
    QTest::mouseClick(child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

// Answers the free-space query with fixed figures and records the folder it was asked about.
struct FakeDrive
{
    quint64 total = 0;
    quint64 free = 0;
    QString asked;
    FakeDrive(quint64 totalBytes, quint64 freeBytes) : total(totalBytes), free(freeBytes)
    {
        Utils::setFreeSpaceForTesting([this](const std::string& path, quint64* t, quint64* f, quint64*) {
            asked = QString::fromStdString(path);
            *t = total;
            *f = free;
            return true;
        });
    }
    ~FakeDrive() { Utils::setFreeSpaceForTesting({}); }
};

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
    Utils::Settings* settings = Utils::Settings::instance();
    for (const QString& key :
         {"auth/email", "auth/password", "common/coloredArchive", "common/noWatchLimit", "common/language",
          "proxy/useProxy", "proxy/host", "proxy/port", "proxy/username", "proxy/password", "arcExport/path"})
        settings->remove(key);
}

void tst_SettingsDialog::emptySettingsShowDefaults()
{
    SettingsDialog dialog;
    for (const char* name : {"email", "password", "proxyHost", "proxyLogin", "proxyPassword"})
        QVERIFY2(child<QLineEdit>(&dialog, name)->text().isEmpty(), name);
    QVERIFY(!child<QCheckBox>(&dialog, "coloredArchive")->isChecked());
    QVERIFY(!child<QCheckBox>(&dialog, "noWatchLimit")->isChecked());
    QVERIFY(!child<QCheckBox>(&dialog, "useProxy")->isChecked());
    for (const char* name : {"proxyHost", "proxyPort", "proxyLogin", "proxyPassword"})
        QVERIFY2(!child<QLineEdit>(&dialog, name)->isEnabled(), name);
    QVERIFY(child<QLabel>(&dialog, "label_3")->isEnabled());
    QCOMPARE(child<QLineEdit>(&dialog, "proxyPort")->text(), QStringLiteral("0"));
    QCOMPARE(child<QComboBox>(&dialog, "language")->currentText(), QStringLiteral("English (Английский)"));
    // Blanks and "!" cannot be typed into the address; an unfinished one can.
    QTest::keyClicks(child<QLineEdit>(&dialog, "email"), QStringLiteral("us er!@quorvel"));
    QCOMPARE(child<QLineEdit>(&dialog, "email")->text(), QStringLiteral("user@quorvel"));

    // The default folder does not exist yet; the label measures the home folder that will hold it.
    const QString folder = QDir::homePath() + QStringLiteral("/Videos/Quorvel");
    QCOMPARE(child<QLineEdit>(&dialog, "pathEdit")->text(), folder);
    QVERIFY(!QFileInfo::exists(folder));
    quint64 total = 0, free = 0;
    QVERIFY(Utils::diskSpace(QDir::homePath().toStdString(), &total, &free));
    const QString text = QStringLiteral("Available %1 of %2 Gb.")
                             .arg(double(free) / kGiB, 0, 'f', 2)
                             .arg(double(total) / kGiB, 0, 'f', 2);
    QCOMPARE(child<QLabel>(&dialog, "availLabel")->text(), coloured(free > kGiB ? "#000000" : "#FF0000", text));
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
    // Nothing is created for a missing folder.
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
    QCOMPARE(child<QLineEdit>(&dialog, "proxyPort")->text(), QStringLiteral("0"));
    QVERIFY(child<QCheckBox>(&dialog, "noWatchLimit")->isChecked());
    // A stored address that could not be typed is shown and saved as it stands.
    QCOMPARE(child<QLineEdit>(&dialog, "email")->text(), QStringLiteral("a+b@quorvel.example"));

    child<QCheckBox>(&dialog, "useProxy")->click();
    for (const char* name : {"proxyHost", "proxyPort", "proxyLogin", "proxyPassword"})
        QVERIFY2(child<QLineEdit>(&dialog, name)->isEnabled(), name);
    QTest::keyClicks(child<QLineEdit>(&dialog, "proxyHost"), QStringLiteral("proxy.lan"));
    auto* port = child<QLineEdit>(&dialog, "proxyPort");
    port->clear();
    QTest::keyClicks(port, QStringLiteral("65536"));
    QCOMPARE(port->text(), QStringLiteral("6553"));
    QTest::keyClicks(child<QLineEdit>(&dialog, "proxyLogin"), QStringLiteral("user"));
    QTest::keyClicks(child<QLineEdit>(&dialog, "proxyPassword"), QStringLiteral("pw"));
    QTest::keyClicks(child<QLineEdit>(&dialog, "password"), QStringLiteral("secret"));
    child<QCheckBox>(&dialog, "coloredArchive")->click();
    child<QLineEdit>(&dialog, "pathEdit")->setText(QDir::homePath());
    clickOk(&dialog);

    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(boxes.count(), 0);
    const QByteArray ini = iniBytes();
    for (const char* line :
         {"email=a+b@quorvel.example", "password=secret", "coloredArchive=true", "noWatchLimit=true", "language=en",
          "useProxy=true", "host=proxy.lan", "port=6553", "username=user", "password=pw"})
        QVERIFY2(ini.contains(QByteArray(line) + '\n'), line);
    QVERIFY(ini.contains(("path=" + QDir::homePath()).toUtf8()));
    QCOMPARE(Utils::Settings::instance()->value(QStringLiteral("proxy/port")).typeId(), QMetaType::Int);
    QCOMPARE(QFile(Utils::Settings::instance()->fileName()).permissions() & ~(QFile::ReadUser | QFile::WriteUser),
             QFile::ReadOwner | QFile::WriteOwner);

    // An emptied port saves 0.
    dialog.show();
    child<QLineEdit>(&dialog, "proxyPort")->clear();
    clickOk(&dialog);
    QCOMPARE(Utils::Keys::proxyPort().value(), 0);
}

void tst_SettingsDialog::cancelRefillsAndWritesNothing()
{
    Utils::Keys::proxyHost().setValue(QStringLiteral("kept.lan"));
    Utils::Keys::arcExportPath().setValue(QDir::homePath());
    const QByteArray before = iniBytes();
    SettingsDialog dialog;
    dialog.show();
    child<QLineEdit>(&dialog, "proxyHost")->setText(QStringLiteral("changed.lan"));
    child<QLineEdit>(&dialog, "pathEdit")->setText(QStringLiteral("/elsewhere"));
    child<QCheckBox>(&dialog, "useProxy")->click();
    child<QComboBox>(&dialog, "language")->setCurrentIndex(1);
    QTest::mouseClick(child<QDialogButtonBox>(&dialog, "buttonBox")->button(QDialogButtonBox::Cancel), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(child<QLineEdit>(&dialog, "proxyHost")->text(), QStringLiteral("kept.lan"));
    QCOMPARE(child<QLineEdit>(&dialog, "pathEdit")->text(), QDir::homePath());
    QVERIFY(!child<QCheckBox>(&dialog, "useProxy")->isChecked());
    QVERIFY(!child<QLineEdit>(&dialog, "proxyHost")->isEnabled());
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
    child<QLineEdit>(&dialog, "proxyHost")->setText(QStringLiteral("changed.lan"));
    clickOk(&dialog);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().title, QStringLiteral("Quorvel Client"));
    QCOMPARE(boxes.last().text, QStringLiteral("Your archive export path is incorrect! Records export to this path "
                                               "may work incorrectly. Apply the settings anyway?"));
    QCOMPARE(boxes.last().buttons, (QStringList{QStringLiteral("Yes"), QStringLiteral("No")}));
    QVERIFY(dialog.isVisible());
    QCOMPARE(iniBytes(), before);

    boxes.answerNext({QStringLiteral("Yes")});
    clickOk(&dialog);
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
        if (!accept) {
            chooser->reject();
            return chooser->result();
        }
        static_cast<QFileDialog*>(chooser)->setDirectory(picked);
        chooser->accept();
        return chooser->result();
    });
    auto* line = child<QLineEdit>(&dialog, "pathEdit");
    auto* label = child<QLabel>(&dialog, "availLabel");
    child<QPushButton>(&dialog, "pathButton")->click();
    QCOMPARE(boxes.last().className, QStringLiteral("QFileDialog"));
    QCOMPARE(line->text(), picked);
    QCOMPARE(label->text(), coloured("#000000", QStringLiteral("Available 4.00 of 8.00 Gb.")));

    // A cancelled chooser leaves the line and still measures again.
    accept = false;
    drive.free = kGiB / 2;
    child<QPushButton>(&dialog, "pathButton")->click();
    QCOMPARE(line->text(), picked);
    QCOMPARE(label->text(), coloured("#FF0000", QStringLiteral("Available 0.50 of 8.00 Gb.")));
}

void tst_SettingsDialog::removableDriveKeepsNoPassword()
{
    Utils::Keys::authPassword().setValue(QStringLiteral("old"));
    Utils::Keys::arcExportPath().setValue(QDir::homePath());
    Utils::setWorkingDriveTypeForTesting(Utils::DriveRemovable);
    SettingsDialog dialog;
    Utils::setWorkingDriveTypeForTesting(std::nullopt);
    auto* password = child<QLineEdit>(&dialog, "password");
    QVERIFY(!password->isEnabled());
    QVERIFY(password->text().isEmpty());
    dialog.show();
    clickOk(&dialog);
    QVERIFY(Utils::Keys::authPassword().isStored());
    QCOMPARE(Utils::Keys::authPassword().value(), QString());
}

// Runs last: it changes the process-wide language.
void tst_SettingsDialog::languageFollowsTheRunningOne()
{
    Utils::Keys::arcExportPath().setValue(QDir::homePath());
    TestSupport::BoxAnswerer boxes(QStringLiteral("OK"));
    {
        // The English program: choosing Russian asks for a restart.
        SettingsDialog dialog;
        dialog.show();
        child<QComboBox>(&dialog, "language")->setCurrentIndex(1);
        clickOk(&dialog);
        QCOMPARE(Utils::Keys::language().value(), QStringLiteral("ru"));
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title, QStringLiteral("Restart required"));
        QCOMPARE(boxes.last().text,
                 QStringLiteral("The language change will take effect after restart of Quorvel Client."));
    }
    QuorvelClient::Application::loadLanguage(QStringLiteral("ru"));
    {
        SettingsDialog dialog;
        auto* language = child<QComboBox>(&dialog, "language");
        QCOMPARE(language->currentText(), QStringLiteral("Русский (Russian)"));
        dialog.show();
        boxes.clear();
        language->setCurrentIndex(0);
        clickOk(&dialog);
        QCOMPARE(Utils::Keys::language().value(), QStringLiteral("en"));
        QCOMPARE(boxes.count(), 1);
        // Back to the running language before a restart: no notice.
        dialog.show();
        language->setCurrentIndex(1);
        clickOk(&dialog);
        QCOMPARE(Utils::Keys::language().value(), QStringLiteral("ru"));
        QCOMPARE(boxes.count(), 1);
    }
    // A language of the system locale that the program has no catalogue for.
    QuorvelClient::Application::loadLanguage(QStringLiteral("de"));
    {
        SettingsDialog dialog;
        QCOMPARE(child<QComboBox>(&dialog, "language")->currentIndex(), 0);
        dialog.show();
        boxes.clear();
        clickOk(&dialog);
        QCOMPARE(Utils::Keys::language().value(), QStringLiteral("en"));
        QCOMPARE(boxes.count(), 1);
    }
    QuorvelClient::Application::loadLanguage(QStringLiteral("en"));
}

QUORVEL_TEST_MAIN(tst_SettingsDialog)
#include "tst_SettingsDialog.moc"
