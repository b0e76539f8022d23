#include "core/SessionManager.h"
#include "gui/playback/export/ExportWidget.h"
#include "peer/FlvStreamSource.h"
#include "support/BoxAnswerer.h"
#include "support/MessageCapture.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"
#include "support/Widgets.h"
#include "utils/DiskSpace.h"
#include "utils/SettingsKeys.h"

#include <QAction>
#include <QMenu>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStorageInfo>

using QuorvelClient::Core::Camera;
using QuorvelClient::Core::CameraPtr;
using QuorvelClient::GUI::ExportWidget;
using TestSupport::child;
using TestSupport::FlvStreamSource;

namespace {

const QDateTime kStart(QDate(2026, 12, 6), QTime(10, 0, 0, 250));

CameraPtr camera(const QString& name, const QString& serverId, const QString& vcodec, int serverType = 1)
{
    auto cam = std::make_shared<Camera>(3, name, serverId, 0, "Yard", true, true, true, QSize(320, 240), vcodec,
                                        Camera::CameraFlags(), QString());
    cam->setServerType(serverType);
    cam->setPassword(QStringLiteral("p@ss w/rd"));
    return cam;
}

QByteArray head(const QString& file, int size)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.read(size) : QByteArray();
}

// Codecs and length in seconds as ffprobe reads them: "h264,mp3 7.98".
QString probe(const QString& file)
{
    QProcess ffprobe;
    ffprobe.start("ffprobe", {"-v", "error", "-show_entries", "stream=codec_name:format=duration", "-of",
                              "default=noprint_wrappers=1:nokey=1", file});
    ffprobe.waitForFinished(30000);
    QStringList values = QString::fromLatin1(ffprobe.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    const QString length = values.isEmpty() ? QString() : values.takeLast();
    values.sort();
    return values.join(',') + ' ' + length;
}

// The job's signals and every text the progress bar showed.
struct Job
{
    ExportWidget panel;
    QSignalSpy started{&panel, &ExportWidget::exportStarted};
    QSignalSpy finished{&panel, &ExportWidget::exportFinished};
    QSignalSpy failed{&panel, &ExportWidget::exportError};
    QProgressBar* bar = child<QProgressBar>(&panel, "progressBar");
    QStringList texts;

    Job()
    {
        QObject::connect(bar, &QProgressBar::valueChanged, bar, [this] { texts << bar->text(); });
        QObject::connect(&panel, &ExportWidget::exportStarted, bar, [this] { texts << bar->text(); });
    }
    void start(const CameraPtr& cam, int seconds, qint64 duration)
    {
        panel.startExport(cam, kStart, kStart.addSecs(seconds), duration);
        texts = QStringList{bar->text()};
    }
    QAction* action(const char* name) { return panel.findChild<QAction*>(QLatin1String(name)); }
    QString openerLog() { return QString::fromUtf8(head(TestSupport::rootDir() + "/opened.txt", 4096)); }
};

QStringList g_menuTexts;

// Picks the menu entry once the menu runs its own loop, and notes the menu's texts.
void chooseFromMenu(int entry)
{
    QTimer::singleShot(0, [entry] {
        QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        g_menuTexts.clear();
        for (QAction* action : menu ? menu->actions() : QList<QAction*>())
            g_menuTexts << action->text();
        if (menu)
            menu->close();
        if (menu && entry < menu->actions().size())
            menu->actions().at(entry)->trigger();
    });
}

} // namespace

class tst_ExportWidget : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void writesTheStretch_data();
    void writesTheStretch();
    void requestsTheCamerasServer_data();
    void requestsTheCamerasServer();
    void failedJobs_data();
    void failedJobs();
    void stopAsksAndNextJobGetsAllTries();
    void fileNamesStayInTheFolder_data();
    void fileNamesStayInTheFolder();
    void exportFolderChecks_data();
    void exportFolderChecks();
    void withoutFileManager();
};

void tst_ExportWidget::initTestCase()
{
    // The panel reads PATH once when it is built: a fake file manager goes first.
    const QString bin = TestSupport::rootDir() + "/bin";
    QVERIFY(QDir().mkpath(bin));
    QFile script(bin + "/xdg-open");
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(
        QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" >> '%1/opened.txt'\n").arg(TestSupport::rootDir()).toUtf8());
    script.close();
    script.setPermissions(script.permissions() | QFile::ExeOwner);
    qputenv("PATH", (bin + ':').toUtf8() + qgetenv("PATH"));
    QuorvelClient::Core::SessionManager::create(QString(), QString());
    Utils::Keys::arcExportPath().setValue(TestSupport::rootDir() + "/exports");
}

void tst_ExportWidget::writesTheStretch_data()
{
    QTest::addColumn<int>("clip");
    QTest::addColumn<QString>("vcodec");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("burst");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("magic");
    QTest::addColumn<QString>("codecs");
    using TestSupport::Clip;
    QTest::newRow("h264 paced") << int(Clip::H264) << "h264"
                                << "Main-Door" << 8 << 3000 << "Yard-Main-Door 06.12.26 10.00.00-10.00.08.mp4"
                                << QByteArray("ftyp") << "h264,mp3";
    QTest::newRow("flv1 paced") << int(Clip::Sorenson) << "flv1"
                                << "Gate/1: \"North\"" << 8 << 3000
                                << "Yard-Gate_1_ _North_ 06.12.26 10.00.00-10.00.08.avi" << QByteArray("RIFF")
                                << "flv1,mp3";
    // The whole stream arrives and ends before the muxer's first look at it.
    QTest::newRow("one burst") << int(Clip::H264) << "h264"
                               << "Main-Door" << 4 << 20000 << "Yard-Main-Door 06.12.26 10.00.00-10.00.04.mp4"
                               << QByteArray("ftyp") << "h264,mp3";
}

void tst_ExportWidget::writesTheStretch()
{
    QFETCH(int, clip);
    QFETCH(QString, vcodec);
    QFETCH(QString, name);
    QFETCH(int, seconds);
    QFETCH(int, burst);
    QFETCH(QString, file);
    QFETCH(QByteArray, magic);
    QFETCH(QString, codecs);
    FlvStreamSource peer;
    QVERIFY(TestSupport::serveClip(peer, TestSupport::Clip(clip), true));
    peer.setArchiveLoops(seconds / 4);
    peer.setBurst(burst);

    Job job;
    job.action("showInFolderAction")->trigger();
    job.start(camera(name, peer.hostAndPort(), vcodec), seconds, seconds * 1000);
    QTRY_COMPARE_WITH_TIMEOUT(job.finished.count(), 1, 30000);
    QCOMPARE(job.failed.count(), 0);
    QCOMPARE(peer.requestCount(), 1);

    const QString path = TestSupport::rootDir() + "/exports/" + file;
    QCOMPARE(head(path, 8).mid(magic == "RIFF" ? 0 : 4, 4), magic);
    const QString probed = probe(path);
    QCOMPARE(probed.section(' ', 0, 0), codecs);
    QVERIFY2(qAbs(probed.section(' ', 1).toDouble() - seconds) < 1.0, qPrintable(probed));

    QCOMPARE(job.texts.first(), QStringLiteral("Connecting... 0%"));
    QCOMPARE(job.bar->text(), QStringLiteral("Ready 100%"));
    if (burst < seconds * 1000) {
        QVERIFY(job.started.count() >= 1);
        QVERIFY2(job.texts.filter(QRegularExpression("^Loading\\.\\.\\. [1-9]\\d?%$")).size() >= 1,
                 qPrintable(job.texts.join('|')));
    }
    QVERIFY(job.panel.findChild<QWidget*>("progress")->isHidden());
    QCOMPARE(child<QPushButton>(&job.panel, "fileButton")->text(), file);

    // Show in folder gives the export folder before a job and the file's folder after one; Open the file.
    TestSupport::MessageCapture log;
    const QString folder = TestSupport::rootDir() + "/exports";
    QTRY_COMPARE(job.openerLog(), folder + '\n');
    chooseFromMenu(1);
    QTest::mouseClick(child<QPushButton>(&job.panel, "menuButton"), Qt::LeftButton);
    QTRY_COMPARE(job.openerLog(), folder + '\n' + folder + '\n');
    QTest::mouseClick(child<QPushButton>(&job.panel, "fileButton"), Qt::LeftButton);
    QTRY_COMPARE(job.openerLog(), folder + '\n' + folder + '\n' + path + '\n');
    QVERIFY(log.contains("Open file url: \"" + QUrl::fromLocalFile(path).toString() + '"'));
    QFile::remove(TestSupport::rootDir() + "/opened.txt");
}

void tst_ExportWidget::requestsTheCamerasServer_data()
{
    QTest::addColumn<int>("serverType");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QByteArray>("target");
    const QByteArray ms = QByteArray::number(kStart.toMSecsSinceEpoch() - 250);
    const QByteArray query = "&q=2&uploadRate=500&vcodec=mpeg4&vcodec=h264&acodec=mp3&startTime=" + ms +
                             "&endTime=" + QByteArray::number(ms.toLongLong() + 60000);
    QTest::newRow("local") << 1 << "v9"
                           << "/flv/archive?server=1&camera=3&sessionId=p%40ss%20w%2Frd" + query;
    QTest::newRow("account") << 0 << ""
                             << "/flv/archive?server=SRV&camera=3&sessionId=localview" + query;
    QTest::newRow("account, version") << 0 << "v9"
                                      << "/v9/flv/archive?server=SRV&camera=3&sessionId=localview" + query;
}

void tst_ExportWidget::requestsTheCamerasServer()
{
    QFETCH(int, serverType);
    QFETCH(QString, version);
    QFETCH(QByteArray, target);
    FlvStreamSource peer;
    QVERIFY(TestSupport::serveClip(peer, TestSupport::Clip::H264, true));
    peer.setAnswer(FlvStreamSource::Answer::NotFound);
    Utils::Keys::streamerHost().setValue(peer.hostAndPort());
    Utils::Keys::streamerVersion().setValue(version);

    Job job;
    const QString serverId = serverType == 1 ? peer.hostAndPort() : QStringLiteral("SRV");
    job.start(camera("Door", serverId, "h264", serverType), 60, 60000);
    QTRY_VERIFY_WITH_TIMEOUT(peer.requestCount() >= 1, 10000);
    QCOMPARE(peer.requests().first().target, target);
}

void tst_ExportWidget::failedJobs_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<int>("tries");
    QTest::addColumn<bool>("written");
    QTest::newRow("404") << 0 << 4 << false;
    QTest::newRow("not flv") << 1 << 4 << false;
    QTest::newRow("refused") << 2 << 4 << false;
    QTest::newRow("cut after data") << 3 << 1 << true;
}

void tst_ExportWidget::failedJobs()
{
    QFETCH(int, failure);
    QFETCH(int, tries);
    QFETCH(bool, written);
    FlvStreamSource peer;
    QVERIFY(TestSupport::serveClip(peer, TestSupport::Clip::H264, true));
    peer.setArchiveLoops(4);
    peer.setBurst(1000);
    if (failure < 2)
        peer.setAnswer(failure == 0 ? FlvStreamSource::Answer::NotFound : FlvStreamSource::Answer::Garbage);
    peer.setRefusing(failure == 2);

    TestSupport::MessageCapture log;
    Job job;
    job.start(camera("Door", peer.hostAndPort(), "h264"), 16, 16000);
    if (failure == 3) {
        QTRY_VERIFY_WITH_TIMEOUT(job.bar->value() >= 5, 15000);
        peer.cutStreams();
    }
    QTRY_COMPARE_WITH_TIMEOUT(job.failed.count(), 1, 30000);
    QTest::qWait(700);
    QCOMPARE(job.failed.count(), 1);
    QCOMPARE(job.finished.count(), 0);
    QCOMPARE(log.count("Muxer: open path:"), tries);
    // libvlc follows a refused HTTP/1.1 request with an HTTP/1.0 one of its own.
    QCOMPARE(peer.requestCount() > 0, failure != 2);
    if (written)
        QCOMPARE(peer.requestCount(), 1);
    QVERIFY(job.bar->text().startsWith("Interrupted "));
    QVERIFY(job.bar->styleSheet().contains("rgb(249,172,155)"));
    QCOMPARE(job.action("openAction")->isEnabled(), written);
    const QPushButton* fileButton = child<QPushButton>(&job.panel, "fileButton");
    const QString file = TestSupport::rootDir() + "/exports/" + fileButton->text();
    QCOMPARE(QFileInfo(file).size() > 10000, written);
    QCOMPARE(fileButton->toolTip(), written ? file : QStringLiteral("The file has not been created"));
    const QImage cancel = QIcon(":icons/export_cancel.png").pixmap(16).toImage();
    QCOMPARE(fileButton->icon().pixmap(16).toImage() == cancel, !written);
}

void tst_ExportWidget::stopAsksAndNextJobGetsAllTries()
{
    FlvStreamSource peer;
    QVERIFY(TestSupport::serveClip(peer, TestSupport::Clip::H264, true));
    peer.setAnswer(FlvStreamSource::Answer::NotFound);
    TestSupport::MessageCapture log;
    Job job;
    const CameraPtr cam = camera("Door", peer.hostAndPort(), "h264");
    job.start(cam, 60, 60000);
    QTRY_VERIFY_WITH_TIMEOUT(log.count("Muxer: open path:") >= 2, 15000);

    TestSupport::BoxAnswerer boxes;
    boxes.answerNext({"No", "Yes"});
    QTest::mouseClick(child<QPushButton>(&job.panel, "stopButton"), Qt::LeftButton);
    QCOMPARE(boxes.last().title, QStringLiteral("Are you sure?"));
    QVERIFY(job.bar->text().startsWith("Connecting... ") || job.bar->text().startsWith("Interrupted "));
    QTRY_VERIFY_WITH_TIMEOUT(child<QPushButton>(&job.panel, "stopButton")->isEnabled(), 5000);
    QTest::mouseClick(child<QPushButton>(&job.panel, "stopButton"), Qt::LeftButton);
    QCOMPARE(boxes.count(), 2);
    QCOMPARE(job.bar->text(), QStringLiteral("0%. Stopped."));
    QCOMPARE(job.finished.count(), 1);
    QCOMPARE(job.failed.count(), 0);

    // A new request gets its four tries whatever the stopped one used up.
    log.clear();
    job.start(cam, 60, 60000);
    QVERIFY(job.bar->styleSheet().contains("rgb(151,183,222)"));
    QVERIFY(job.panel.findChild<QWidget*>("progress")->isHidden() == false);
    QTRY_COMPARE_WITH_TIMEOUT(job.failed.count(), 1, 30000);
    QCOMPARE(log.count("Muxer: open path:"), 4);
}

void tst_ExportWidget::fileNamesStayInTheFolder_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kept");
    QTest::newRow("reserved") << "a\\b:c*d?e<f>g|h\th/.."
                              << "Yard-a_b_c_d_e_f_g_h_h_..";
    QTest::newRow("script, blanks, braces") << "Дверь {1}, 'x'"
                                            << "Yard-Дверь {1}, 'x'";
    // 31 bytes of time and extension leave 224 for the name; a letter that would cross them is dropped whole.
    QTest::newRow("long") << QString("x").repeated(218) + "ЖЖ"
                          << "Yard-" + QString("x").repeated(218);
    QTest::newRow("long, four-byte") << QString("x").repeated(215) + "😀😀"
                                     << "Yard-" + QString("x").repeated(215) + "😀";
}

void tst_ExportWidget::fileNamesStayInTheFolder()
{
    QFETCH(QString, name);
    QFETCH(QString, kept);
    Job job;
    job.start(camera(name, "127.0.0.1:9", "h264"), 60, 60000);
    const QString file = child<QPushButton>(&job.panel, "fileButton")->text();
    QCOMPARE(file, kept + " 06.12.26 10.00.00-10.01.00.mp4");
    QVERIFY(file.toUtf8().size() <= 255);
}

void tst_ExportWidget::exportFolderChecks_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("free"); // bytes free to the user, -1: the query fails
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    const QString root = TestSupport::rootDir();
    QTest::newRow("set, made") << root + "/a/b" << root + "/a/b" << 104857600 << 0 << "No error";
    QTest::newRow("default, made") << "" << root + "/home/Videos/Quorvel" << 104857600 << 0 << "No error";
    QTest::newRow("cannot be made") << "/proc/quorvel"
                                    << "/proc/quorvel" << 104857600 << 1
                                    << "Path /proc/quorvel does not exist. Create this path or change the export "
                                       "path in settings.";
    QTest::newRow("a file") << root + "/file" << root + "/file" << 104857600 << 1 << "";
    QTest::newRow("unmeasured") << root + "/a" << root + "/a" << -1 << 2
                                << "Path " + root + "/a is incorrect. Check the export path in settings.";
    QTest::newRow("full") << root + "/a" << root + "/a" << 104857599 << 3
                          << "It is less than 100 Mb free on drive %1. Please free some space on this drive or "
                             "choose another folder for records in settings.";
}

void tst_ExportWidget::exportFolderChecks()
{
    QFETCH(QString, setting);
    QFETCH(QString, path);
    QFETCH(int, free);
    QFETCH(int, code);
    QFETCH(QString, text);
    QFile(TestSupport::rootDir() + "/file").open(QIODevice::WriteOnly);
    Utils::Keys::arcExportPath().setValue(setting);
    Utils::setFreeSpaceForTesting([free](const std::string&, quint64*, quint64* user, quint64*) {
        return free >= 0 && (*user = quint64(free), true);
    });
    ExportWidget panel;
    QCOMPARE(ExportWidget::exportPath(), path);
    QCOMPARE(panel.checkPath(path), code);
    QCOMPARE(QFileInfo(path).isDir(), code != 1);
    if (code == 3) {
        QProcess df; // the mount point, as the system tells it
        df.start("df", {"--output=target", path});
        df.waitForFinished();
        text = text.arg(QString::fromUtf8(df.readAll().split('\n').value(1).trimmed()));
    }
    if (!text.isEmpty())
        QCOMPARE(panel.pathErrorText(code, path), text);
    Utils::setFreeSpaceForTesting({});
    Utils::Keys::arcExportPath().setValue(TestSupport::rootDir() + "/exports");
}

void tst_ExportWidget::withoutFileManager()
{
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "");
    Job job;
    qputenv("PATH", path);
    QSignalSpy settings(&job.panel, &ExportWidget::showSettings);
    TestSupport::BoxAnswerer boxes("OK");
    chooseFromMenu(1);
    emit job.panel.customContextMenuRequested(QPoint(5, 5));
    QCOMPARE(g_menuTexts, QStringList({"Open", "Show in folder", "Settings..."}));
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().title, QStringLiteral("Launching file manager failed"));
    QCOMPARE(boxes.last().text, QStringLiteral("Could not find xdg-open in path to launch the file manager."));
    chooseFromMenu(2);
    emit job.panel.customContextMenuRequested(QPoint(5, 5));
    QCOMPARE(settings.count(), 1);
    QTest::qWait(300);
    QCOMPARE(job.openerLog(), QString());
}

QUORVEL_TEST_MAIN(tst_ExportWidget)
#include "tst_ExportWidget.moc"
