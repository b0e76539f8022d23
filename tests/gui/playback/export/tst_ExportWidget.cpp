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

using QuorvelClient::GUI::ExportWidget;
using TestSupport::child;
using TestSupport::FlvStreamSource;

namespace {

const QDateTime kStart(QDate(2026, 12, 6), QTime(10, 0, 0, 250));

QByteArray readFile(const QString& name)
{
    QFile file(TestSupport::rootDir() + '/' + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A panel, its signals and every text its progress bar showed since the last start.
struct Job
{
    ExportWidget panel;
    QSignalSpy finished{&panel, &ExportWidget::exportFinished};
    QSignalSpy failed{&panel, &ExportWidget::exportError};
    QProgressBar* bar = child<QProgressBar>(&panel, "progressBar");
    QPushButton* fileButton = child<QPushButton>(&panel, "fileButton");
    QStringList texts;
    TestSupport::MessageCapture log;

    Job()
    {
        QObject::connect(bar, &QProgressBar::valueChanged, bar, [this] { texts << bar->text(); });
    }
    void start(const QString& name, const QString& server, int seconds, const QString& vcodec = "h264")
    {
        auto cam =
            std::make_shared<QuorvelClient::Core::Camera>(3, name, server, 0, "Yard", true, true, true, QSize(320, 240),
                                                          vcodec, QuorvelClient::Core::Camera::CameraFlags(), "");
        cam->setServerType(1);
        cam->setPassword("p@ss w/rd");
        panel.startExport(cam, kStart, kStart.addSecs(seconds), seconds * 1000);
        texts = QStringList{bar->text()};
    }
    QString file() const { return TestSupport::rootDir() + "/exports/" + fileButton->text(); }
    int tries() const { return log.count("Muxer: open path:"); }
};

// Picks a menu entry once the menu runs its own loop, and keeps the menu's texts.
QStringList g_menuTexts;
void chooseFromMenu(int entry)
{
    QTimer::singleShot(0, [entry] {
        QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        g_menuTexts.clear();
        for (QAction* action : menu->actions())
            g_menuTexts << action->text();
        menu->close();
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
    void failedJobs_data();
    void failedJobs();
    void stopAsksAndNextJobGetsAllTries();
    void sameStretchAgain();
    void numberedNames_data();
    void numberedNames();
    void exportFolderChecks_data();
    void exportFolderChecks();
    void withoutFileManager();
};

void tst_ExportWidget::initTestCase()
{
    // The panel reads PATH once when it is built: a fake file manager that notes its arguments goes first.
    const QString bin = TestSupport::rootDir() + "/bin";
    QFile script(bin + "/xdg-open");
    QVERIFY(QDir().mkpath(bin) && script.open(QIODevice::WriteOnly));
    script.write(QString("#!/bin/sh\nprintf '%s\\n' \"$@\" >> '%1/opened.txt'\n").arg(TestSupport::rootDir()).toUtf8());
    script.close();
    script.setPermissions(script.permissions() | QFile::ExeOwner);
    qputenv("PATH", (bin + ':').toUtf8() + qgetenv("PATH"));
    Utils::Keys::arcExportPath().setValue(TestSupport::rootDir() + "/exports");
}

void tst_ExportWidget::writesTheStretch_data()
{
    QTest::addColumn<QString>("vcodec");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("burst");
    QTest::addColumn<QString>("file");
    // Names keep letters of any script, blanks and braces; what a drive refuses becomes "_", and a name is cut at
    // a whole letter so that the file name takes at most 255 bytes.
    QTest::newRow("h264") << "h264"
                          << "Дверь {1}, 'x'" << 8 << 3000 << "Yard-Дверь {1}, 'x' 06.12.26 10.00.00-10.00.08.mp4";
    QTest::newRow("flv1") << "flv1"
                          << "Gate/1: \"North\" <*?|\\>\t" << 8 << 3000
                          << "Yard-Gate_1_ _North_ _______ 06.12.26 10.00.00-10.00.08.avi";
    // The whole stream arrives at once: the player's time stays 0, or lags far behind what was written.
    QTest::newRow("one burst") << "h264" << QString(215, 'x') + "😀😀" << 4 << 20000
                               << "Yard-" + QString(215, 'x') + "😀 06.12.26 10.00.00-10.00.04.mp4";
    QTest::newRow("long burst") << "h264"
                                << "Door" << 300 << 400000 << "Yard-Door 06.12.26 10.00.00-10.05.00.mp4";
}

void tst_ExportWidget::writesTheStretch()
{
    QFETCH(QString, vcodec);
    QFETCH(QString, name);
    QFETCH(int, seconds);
    QFETCH(int, burst);
    QFETCH(QString, file);
    const bool mp4 = vcodec == "h264";
    FlvStreamSource peer;
    QVERIFY(TestSupport::serveClip(peer, mp4 ? TestSupport::Clip::H264 : TestSupport::Clip::Sorenson, true));
    peer.setArchiveLoops(seconds / 4);
    peer.setBurst(burst);

    Job job;
    job.panel.findChild<QAction*>("showInFolderAction")->trigger();
    job.start(name, peer.hostAndPort(), seconds, vcodec);
    QTRY_COMPARE_WITH_TIMEOUT(job.finished.count(), 1, 30000);
    QCOMPARE(job.failed.count(), 0);
    const qint64 ms = kStart.toSecsSinceEpoch() * 1000;
    QCOMPARE(peer.requests().value(0).target, "/flv/archive?server=1&camera=3&sessionId=p%40ss%20w%2Frd&q=2&uploadRate="
                                              "500&vcodec=mpeg4&vcodec=h264&acodec=mp3&startTime=" +
                                                  QByteArray::number(ms) +
                                                  "&endTime=" + QByteArray::number(ms + seconds * 1000));
    QCOMPARE(job.file(), TestSupport::rootDir() + "/exports/" + file);
    QCOMPARE(readFile("exports/" + file).mid(mp4 ? 4 : 0, 4), mp4 ? "ftyp" : "RIFF");
    QProcess ffprobe;
    ffprobe.start("ffprobe",
                  {"-v", "error", "-show_entries", "stream=codec_name:format=duration", "-of", "csv=p=0", job.file()});
    QVERIFY(ffprobe.waitForFinished(30000));
    const QStringList probed = QString::fromLatin1(ffprobe.readAll()).split('\n', Qt::SkipEmptyParts);
    QVERIFY2(probed.contains(mp4 ? "h264" : "flv1") && probed.contains("mp3"), qPrintable(probed.join('|')));
    QVERIFY2(qAbs(probed.last().toDouble() - seconds) < 1.0 + seconds / 50.0, qPrintable(probed.last()));
    QCOMPARE(job.texts.first(), "Connecting... 0%");
    if (burst < seconds * 1000)
        QVERIFY2(!job.texts.filter(QRegularExpression("^Loading\\.\\.\\. [1-9]\\d?%$")).isEmpty(),
                 qPrintable(job.texts.join('|')));
    QCOMPARE(job.bar->text(), "Ready 100%");
    QVERIFY(child<QWidget>(&job.panel, "progress")->isHidden());

    // "Show in folder" gives the export folder before a job and the file's folder after one; "Open" the file.
    const QByteArray folder = (TestSupport::rootDir() + "/exports\n").toUtf8();
    QTRY_COMPARE(readFile("opened.txt"), folder);
    chooseFromMenu(1);
    QTest::mouseClick(child<QPushButton>(&job.panel, "menuButton"), Qt::LeftButton);
    QTRY_COMPARE(readFile("opened.txt"), folder + folder);
    QTest::mouseClick(job.fileButton, Qt::LeftButton);
    QTRY_COMPARE(readFile("opened.txt"), folder + folder + job.file().toUtf8() + '\n');
    QVERIFY(job.log.contains("Open file url: \"" + QUrl::fromLocalFile(job.file()).toString() + '"'));
    QFile::remove(TestSupport::rootDir() + "/opened.txt");
}

void tst_ExportWidget::failedJobs_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<int>("tries");
    QTest::newRow("404") << int(FlvStreamSource::Answer::NotFound) << 4;
    QTest::newRow("not flv") << int(FlvStreamSource::Answer::Garbage) << 4;
    QTest::newRow("closed at once") << int(FlvStreamSource::Answer::Close) << 4;
    QTest::newRow("refused") << -1 << 4;
    QTest::newRow("cut after data") << int(FlvStreamSource::Answer::Stream) << 1;
}

void tst_ExportWidget::failedJobs()
{
    QFETCH(int, failure);
    QFETCH(int, tries);
    const bool written = tries == 1;
    FlvStreamSource peer;
    QVERIFY(TestSupport::serveClip(peer, TestSupport::Clip::H264, true));
    peer.setArchiveLoops(4);
    peer.setBurst(1000);
    peer.setAnswer(FlvStreamSource::Answer(qMax(0, failure)));
    peer.setRefusing(failure < 0);

    Job job;
    job.start("Door", peer.hostAndPort(), 16);
    if (written) {
        QTRY_VERIFY_WITH_TIMEOUT(job.bar->value() >= 5, 15000);
        peer.cutStreams();
    }
    QTRY_COMPARE_WITH_TIMEOUT(job.failed.count(), 1, 30000);
    QTest::qWait(700);
    QCOMPARE(job.failed.count() + job.finished.count(), 1);
    QCOMPARE(job.tries(), tries);
    // Each try reaches the server once.
    QCOMPARE(peer.requestCount("/flv/archive"), failure < 0 ? 0 : tries);
    QVERIFY(job.bar->text().startsWith("Interrupted ") && job.bar->styleSheet().contains("rgb(249,172,155)"));
    QCOMPARE(job.panel.findChild<QAction*>("openAction")->isEnabled(), written);
    QCOMPARE(QFileInfo(job.file()).size() > 10000, written);
    QCOMPARE(job.fileButton->toolTip(), written ? job.file() : "The file has not been created");
    const QImage cancel = QIcon(":icons/export_cancel.png").pixmap(16).toImage();
    QCOMPARE(job.fileButton->icon().pixmap(16).toImage() == cancel, !written);
}

void tst_ExportWidget::stopAsksAndNextJobGetsAllTries()
{
    FlvStreamSource peer;
    QVERIFY(TestSupport::serveClip(peer, TestSupport::Clip::H264, true));
    peer.setAnswer(FlvStreamSource::Answer::NotFound);
    Job job;
    job.start("Door", peer.hostAndPort(), 60);
    QTRY_VERIFY_WITH_TIMEOUT(job.tries() >= 2, 15000);

    TestSupport::BoxAnswerer boxes;
    boxes.answerNext({"No", "Yes"});
    QPushButton* stop = child<QPushButton>(&job.panel, "stopButton");
    QTest::mouseClick(stop, Qt::LeftButton);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().text, "Are you sure you want to stop archive export?");
    QCOMPARE(job.finished.count(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(stop->isEnabled(), 5000);
    QTest::mouseClick(stop, Qt::LeftButton);
    QCOMPARE(job.bar->text(), "0%. Stopped.");
    QCOMPARE(job.finished.count(), 1);
    QCOMPARE(job.failed.count(), 0);

    // A new request gets its four tries whatever the stopped one used up.
    job.log.clear();
    job.start("Door", peer.hostAndPort(), 60);
    QVERIFY(job.bar->styleSheet().contains("rgb(151,183,222)"));
    QTRY_COMPARE_WITH_TIMEOUT(job.failed.count(), 1, 30000);
    QCOMPARE(job.tries(), 4);
}

void tst_ExportWidget::sameStretchAgain()
{
    FlvStreamSource peer;
    QVERIFY(TestSupport::serveClip(peer, TestSupport::Clip::H264, true));
    peer.setArchiveLoops(2);
    peer.setBurst(3000);
    Job job;
    job.start("Porch", peer.hostAndPort(), 8);
    QTRY_COMPARE_WITH_TIMEOUT(job.finished.count(), 1, 30000);
    const QString name = "exports/Yard-Porch 06.12.26 10.00.00-10.00.08";
    QCOMPARE(job.file(), TestSupport::rootDir() + '/' + name + ".mp4");
    const QByteArray first = readFile(name + ".mp4");

    // The same stretch again goes to a file of its own, which the panel shows and opens; stopping it keeps both.
    job.start("Porch", peer.hostAndPort(), 8);
    const QString second = TestSupport::rootDir() + '/' + name + " (2).mp4";
    QCOMPARE(job.file(), second);
    // Stopped once the bar shows progress: the panel counts a file written by the stream time the player read.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(second).size() > 10000 && job.fileButton->toolTip() == second &&
                                 job.bar->value() > 0,
                             15000);
    TestSupport::BoxAnswerer boxes("Yes");
    QTest::mouseClick(child<QPushButton>(&job.panel, "stopButton"), Qt::LeftButton);
    QVERIFY(job.bar->text().endsWith("Stopped."));
    QCOMPARE(readFile(name + ".mp4"), first);
    QTest::mouseClick(job.fileButton, Qt::LeftButton);
    QTRY_COMPARE(readFile("opened.txt"), second.toUtf8() + '\n');
    QFile::remove(TestSupport::rootDir() + "/opened.txt");
    job.log.clear();

    // A running job holds its name even while its file is not there (made late, or gone); retries keep writing to
    // their job's file.
    const QString third = TestSupport::rootDir() + '/' + name + " (3).mp4";
    peer.setRefusing(true);
    job.start("Porch", peer.hostAndPort(), 8);
    QTRY_VERIFY_WITH_TIMEOUT(job.tries() >= 2, 15000);
    QCOMPARE(job.failed.count(), 0);
    QCOMPARE(job.file(), third);
    QFile::remove(third);
    job.log.clear();
    job.start("Porch", peer.hostAndPort(), 8);
    QTRY_COMPARE_WITH_TIMEOUT(job.failed.count(), 1, 30000);
    QCOMPARE(job.tries(), 4);
    QCOMPARE(job.file(), TestSupport::rootDir() + '/' + name + " (4).mp4");
    QCOMPARE(readFile(name + ".mp4"), first);

    // The folder goes away while the first try waits, and that try fails: the retry makes it again and writes
    // the whole stretch there.
    peer.setRefusing(false);
    peer.setStallAfter(9);
    job.log.clear();
    job.start("Porch", peer.hostAndPort(), 8);
    QTRY_COMPARE_WITH_TIMEOUT(peer.stalledStreams(), 1, 15000);
    QVERIFY(QDir(TestSupport::rootDir() + "/exports").removeRecursively());
    peer.setStallAfter(0);
    peer.setBurst(20000);
    peer.cutStreams();
    QTRY_COMPARE_WITH_TIMEOUT(job.finished.count() + job.failed.count(), 4, 30000);
    QCOMPARE(job.failed.count(), 1);
    QCOMPARE(job.tries(), 2);
    QCOMPARE(job.bar->text(), "Ready 100%");
    // The same stream as the first file's, but for the times of making in the header.
    QCOMPARE(readFile("exports/" + job.fileButton->text()).size(), first.size());
}

void tst_ExportWidget::numberedNames_data()
{
    QTest::addColumn<QString>("camera");
    QTest::addColumn<QList<int>>("taken"); // 1 for the stretch's own name, N for " (N)"
    QTest::addColumn<QString>("file");
    QList<int> many;
    for (int copy = 1; copy <= 60; ++copy)
        many << copy;
    QTest::newRow("a hole") << "Door" << QList<int>{1, 2, 3, 5} << "Yard-Door 06.12.26 10.00.00-10.00.04 (4).mp4";
    QTest::newRow("a hole far on") << "Door" << many.mid(0, 32) + many.mid(33)
                                   << "Yard-Door 06.12.26 10.00.00-10.00.04 (33).mp4";
    QTest::newRow("all taken") << "Door" << many << "Yard-Door 06.12.26 10.00.00-10.00.04 (61).mp4";
    // The number fits into the 255 bytes of a file name, at the cost of the camera's name.
    QTest::newRow("long") << QString(215, 'x') + "😀" << QList<int>{1}
                          << "Yard-" + QString(215, 'x') + " 06.12.26 10.00.00-10.00.04 (2).mp4";
}

void tst_ExportWidget::numberedNames()
{
    QFETCH(QString, camera);
    QFETCH(QList<int>, taken);
    QFETCH(QString, file);
    const QString dir = QString("numbered/") + QTest::currentDataTag();
    const QString folder = TestSupport::rootDir() + '/' + dir;
    QVERIFY(QDir().mkpath(folder));
    Utils::Keys::arcExportPath().setValue(folder);
    const QString name = "Yard-" + camera + " 06.12.26 10.00.00-10.00.04";
    for (int copy : taken) {
        QFile kept(folder + '/' + name + (copy > 1 ? QString(" (%1)").arg(copy) : "") + ".mp4");
        QVERIFY(kept.open(QIODevice::WriteOnly) && kept.write("kept") == 4);
    }
    FlvStreamSource peer;
    QVERIFY(TestSupport::serveClip(peer, TestSupport::Clip::H264, true));
    Job job;
    job.start(camera, peer.hostAndPort(), 4);
    Utils::Keys::arcExportPath().setValue(TestSupport::rootDir() + "/exports");
    QCOMPARE(job.fileButton->text(), file);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(folder + '/' + file).size() > 0, 15000);
    for (const QString& kept : QDir(folder).entryList(QDir::Files))
        QCOMPARE(readFile(dir + '/' + kept) == "kept", kept != file);
}

void tst_ExportWidget::exportFolderChecks_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("free"); // bytes free to the user; -1: the query fails
    QTest::addColumn<int>("code");
    const QString root = TestSupport::rootDir();
    QTest::newRow("set, made") << root + "/a/b" << root + "/a/b" << 104857600 << 0;
    QTest::newRow("default, made") << "" << root + "/home/Videos/Quorvel" << 104857600 << 0;
    QTest::newRow("cannot be made") << "/proc/quorvel"
                                    << "/proc/quorvel" << 104857600 << 1;
    QTest::newRow("a file") << root + "/file" << root + "/file" << 104857600 << 1;
    QTest::newRow("unmeasured") << root + "/a" << root + "/a" << -1 << 2;
    QTest::newRow("full") << root + "/a" << root + "/a" << 104857599 << 3;
}

void tst_ExportWidget::exportFolderChecks()
{
    QFETCH(QString, setting);
    QFETCH(QString, path);
    QFETCH(int, free);
    QFETCH(int, code);
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
        QVERIFY(df.waitForFinished());
        QCOMPARE(panel.pathErrorText(code, path),
                 "It is less than 100 Mb free on drive " + df.readAll().split('\n').value(1).trimmed() +
                     ". Please free some space on this drive or choose another folder for records in settings.");
    }
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
    // "Open" (as after a job that wrote its file) and "Show in folder" both name what is missing, to the user
    // and in the log.
    job.panel.findChild<QAction*>("openAction")->setEnabled(true);
    QTest::mouseClick(job.fileButton, Qt::LeftButton);
    chooseFromMenu(1);
    emit job.panel.customContextMenuRequested(QPoint(5, 5));
    QCOMPARE(g_menuTexts, QStringList({"Open", "Show in folder", "Settings..."}));
    QCOMPARE(boxes.count(), 2);
    for (const TestSupport::BoxAnswerer::Seen& box : boxes.seen())
        QCOMPARE(box.title + '|' + box.text,
                 "Launching file manager failed|Could not find xdg-open in path to launch the file manager.");
    QCOMPARE(job.log.count("File manager not found in PATH: \"xdg-open\""), 2);
    chooseFromMenu(2);
    emit job.panel.customContextMenuRequested(QPoint(5, 5));
    QCOMPARE(settings.count(), 1);
    QCOMPARE(readFile("opened.txt"), QByteArray());
}

QUORVEL_TEST_MAIN(tst_ExportWidget)
#include "tst_ExportWidget.moc"
