#include "gui/playback/export/ExportWidget.h"

#include "core/CameraEndpoint.h"
#include "core/media/Vlc.h"
#include "gui/DialogSeam.h"
#include "ui_ExportWidget.h"
#include "utils/DiskSpace.h"
#include "utils/ExportFolder.h"
#include "utils/SettingsKeys.h"

#include <QAction>
#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QSet>
#include <QStorageInfo>
#include <QUrl>

#include <climits>

namespace QuorvelClient {
namespace GUI {

namespace {

const char kNormalStyle[] = "QProgressBar {border:1px solid rgb(150,150,150);font: 11px;padding: 0;}"
                            "QProgressBar::chunk {background-color: rgb(151,183,222);width:10px;}";
const char kFailedStyle[] = "QProgressBar {border:1px solid rgb(150,150,150);font: 11px;color: rgb(122, 28, 7);"
                            "padding: 0;}QProgressBar::chunk {background-color: rgb(249,172,155);width:10px;}";
const char kFileIcon[] = ":icons/movie_track.png";
const char kCancelIcon[] = ":icons/export_cancel.png";
const char kFileManager[] = "xdg-open";

constexpr double kMinFreeMb = 100.0;
constexpr int kMaxRetries = 3;
constexpr int kMaxFileNameBytes = 255;
// Numbered names asked of the file system one by one; past them the folder is read once.
constexpr int kProbedNames = 20;

QString busyFormat(const QString& word)
{
    return QStringLiteral("%1... %p%").arg(word);
}

QString endFormat(const QString& word)
{
    return QStringLiteral("%1 %p%").arg(word);
}

int utf8Length(char32_t codePoint)
{
    return codePoint < 0x80 ? 1 : codePoint < 0x800 ? 2 : codePoint < 0x10000 ? 3 : 4;
}

// Characters no file system of a stick or a share takes become "_"; the name is cut at a character boundary so
// that the whole file name stays within 255 bytes of UTF-8.
QString fileNamePart(const QString& name, int maxBytes)
{
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    QString part;
    int bytes = 0;
    for (const char32_t codePoint : name.toUcs4()) {
        const bool control = QChar::category(codePoint) == QChar::Other_Control;
        const char32_t kept =
            control || (codePoint < 0x80 && forbidden.contains(QChar(char16_t(codePoint)))) ? char32_t('_') : codePoint;
        bytes += utf8Length(kept);
        if (bytes > maxBytes)
            break;
        part += QString::fromUcs4(&kept, 1);
    }
    return part;
}

// copy: 1 for the stretch's own name, N > 1 for the name with " (N)" before the extension.
QString exportFileName(const QString& cameraName, const QDateTime& start, const QDateTime& end, const QString& mux,
                       int copy = 1)
{
    const QString number = copy > 1 ? QStringLiteral(" (%1)").arg(copy) : QString();
    const QString tail = QLatin1Char(' ') + start.toString(QStringLiteral("dd.MM.yy hh.mm.ss-")) +
                         end.toString(QStringLiteral("hh.mm.ss")) + number + QLatin1Char('.') + mux;
    return fileNamePart(cameraName, kMaxFileNameBytes - int(tail.toUtf8().size())) + tail;
}

// The archive stream of the stretch on the camera's server, in the form the servers take for an export.
QString exportUrl(const Core::CameraPtr& camera, const QDateTime& start, const QDateTime& end)
{
    const Core::CameraEndpoint endpoint(camera);
    const QString query = QStringLiteral("/flv/archive?server=%1&camera=%2&sessionId=%3&q=2&uploadRate=500"
                                         "&vcodec=mpeg4&vcodec=h264&acodec=mp3&startTime=%4&endTime=%5");
    const QString from = QString::number(start.toSecsSinceEpoch() * 1000);
    const QString to = QString::number(end.toSecsSinceEpoch() * 1000);
    return endpoint.videoBase() +
           query.arg(endpoint.serverValue(), QString::number(camera->id()), endpoint.credential(), from, to);
}

} // namespace

ExportWidget::ExportWidget(QWidget* parent) : QWidget(parent), ui(new Ui::ExportWidget), filePath(exportPath())
{
    ui->setupUi(this);
    loadEnvironment();
    ui->fileButton->setText(QString());

    openAction = new QAction(tr("Open"), this);
    openAction->setObjectName(QStringLiteral("openAction"));
    showInFolderAction = new QAction(tr("Show in folder"), this);
    showInFolderAction->setObjectName(QStringLiteral("showInFolderAction"));
    settingsAction = new QAction(tr("Settings..."), this);
    settingsAction->setObjectName(QStringLiteral("settingsAction"));
    connect(openAction, &QAction::triggered, this, &ExportWidget::openFile);
    connect(showInFolderAction, &QAction::triggered, this, &ExportWidget::openDir);
    connect(settingsAction, &QAction::triggered, this, &ExportWidget::openSettings);
    openAction->setEnabled(false);

    setContextMenuPolicy(Qt::CustomContextMenu);

    connect(&muxer, &Core::VideoMuxer::loadingStarted, this, &ExportWidget::onMuxerStarted);
    connect(&muxer, &Core::VideoMuxer::percentUpdated, this, &ExportWidget::onMuxerPercentUpdated);
    connect(&muxer, &Core::VideoMuxer::recordLoaded, this, &ExportWidget::onMuxerLoaded);
    connect(&muxer, &Core::VideoMuxer::loadingError, this, &ExportWidget::onMuxerError);
    connect(ui->fileButton, &QPushButton::clicked, this, &ExportWidget::openFile);
    connect(this, &QWidget::customContextMenuRequested, this, &ExportWidget::showContextMenu);
    connect(ui->menuButton, &QPushButton::clicked, this, &ExportWidget::onMenuClicked);
    connect(ui->stopButton, &QPushButton::clicked, this, &ExportWidget::stopExport);
}

ExportWidget::~ExportWidget() = default;

void ExportWidget::startExport(Core::CameraPtr camera, QDateTime start, QDateTime end, qint64 duration)
{
    // A new request gets all its tries, whatever the one before it used up.
    retryCount = 0;
    runExport(std::move(camera), std::move(start), std::move(end), duration, true);
}

void ExportWidget::retryLastExport()
{
    ++retryCount;
    runExport(camera, startTime, endTime, duration, false);
}

void ExportWidget::runExport(Core::CameraPtr newCamera, QDateTime start, QDateTime end, qint64 newDuration,
                             bool newFile)
{
    qDebug() << "Export records from cam" << newCamera->fullName() << "from" << start << "to" << end << "duration"
             << newDuration << "ms";
    // The job being replaced may not have made its file yet; its name is not free all the same.
    const QString runningPath = state == 1 || state == 2 ? filePath : QString();
    camera = std::move(newCamera);
    startTime = std::move(start);
    endTime = std::move(end);
    duration = newDuration;
    state = 1;

    const QString mux = camera->vcodec() == QLatin1String("h264") ? QStringLiteral("mp4") : QStringLiteral("avi");
    // A retry goes on writing its own job's file, in its folder made again if it went away.
    if (newFile) {
        const QString folder = exportPath();
        fileName = freeFileName(folder, mux, runningPath);
        filePath = QDir::toNativeSeparators(folder + QLatin1Char('/') + fileName);
    } else {
        QDir().mkpath(QFileInfo(QDir::fromNativeSeparators(filePath)).absolutePath());
    }
    const bool started =
        muxer.start(exportUrl(camera, startTime, endTime), filePath, int(qMin<qint64>(duration, INT_MAX)), mux);

    ui->fileButton->setText(fileName);
    ui->fileButton->setIcon(QIcon(QString::fromLatin1(kFileIcon)));
    ui->fileButton->setToolTip(tr("The file is not yet created"));
    ui->fileButton->setCursor(Qt::ArrowCursor);
    ui->progressBar->setValue(0);
    ui->progressBar->setFormat(busyFormat(tr("Connecting")));
    ui->progressBar->setStyleSheet(QString::fromLatin1(kNormalStyle));
    ui->progressBar->setVisible(true);
    ui->stopButton->setVisible(true);
    ui->progress->setVisible(true);
    openAction->setEnabled(false);
    ui->stopButton->setEnabled(true);

    // A muxer that cannot even start would otherwise leave the job connecting for good.
    if (!started)
        onMuxerError();
}

// The stretch's own file name while nothing in the folder has it, else the first free one numbered " (2)", " (3)",
// ... before the extension, so that an export never replaces a file there.
QString ExportWidget::freeFileName(const QString& folder, const QString& mux, const QString& runningPath) const
{
    const QString base = folder + QLatin1Char('/');
    QSet<QString> listed;
    bool readFolder = false;
    for (int copy = 1;; ++copy) {
        const QString name = exportFileName(camera->fullName(), startTime, endTime, mux, copy);
        if (copy == kProbedNames) {
            // Every name from here on is numbered: one reading of the folder answers for all of them, and one of
            // the next (listed + 2) names is free.
            const QString ending = QStringLiteral(").") + mux;
            QDirIterator entries(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            while (entries.hasNext()) {
                entries.next();
                if (entries.fileName().endsWith(ending))
                    listed.insert(entries.fileName());
            }
            readFolder = true;
        }
        const QString path = QDir::toNativeSeparators(base + name);
        const bool taken = path == runningPath || (readFolder ? listed.contains(name)
                                                              : QFileInfo::exists(path) || QFileInfo(path).isSymLink());
        if (!taken)
            return name;
    }
}

void ExportWidget::onMuxerStarted()
{
    state = 2;
    ui->fileButton->setCursor(Qt::ArrowCursor);
    ui->fileButton->setIcon(QFileIconProvider().icon(QFileInfo(filePath)));
    ui->fileButton->setToolTip(filePath);
    ui->progressBar->setValue(0);
    ui->progressBar->setFormat(busyFormat(tr("Loading")));
    openAction->setEnabled(false);
    ui->stopButton->setEnabled(true);
    emit exportStarted();
}

void ExportWidget::onMuxerPercentUpdated()
{
    ui->progressBar->setValue(muxer.percent());
}

void ExportWidget::onMuxerLoaded()
{
    state = 3;
    retryCount = 0;
    muxer.stop();
    ui->progressBar->setValue(100);
    ui->progressBar->setFormat(endFormat(tr("Ready")));
    ui->progress->hide();
    ui->progressBar->hide();
    ui->stopButton->hide();
    if (muxer.loadedTime() > 0) {
        ui->fileButton->setCursor(Qt::PointingHandCursor);
        openAction->setEnabled(true);
        ui->fileButton->setToolTip(filePath);
    } else {
        ui->fileButton->setToolTip(tr("The file has not been created"));
    }
    ui->stopButton->setEnabled(false);
    QApplication::alert(this, 4000);
    emit exportFinished();
}

void ExportWidget::onMuxerError()
{
    state = 4;
    muxer.stop();
    const bool written = muxer.loadedTime() >= 1;
    showWritten(written);
    ui->progressBar->setFormat(endFormat(tr("Interrupted")));
    ui->progressBar->setStyleSheet(QString::fromLatin1(kFailedStyle));
    ui->stopButton->setEnabled(false);
    if (!written && retryCount < kMaxRetries) {
        retryLastExport();
        return;
    }
    retryCount = 0;
    emit exportError();
}

void ExportWidget::stopExport()
{
    QMessageBox box(QMessageBox::Question, tr("Are you sure?"), tr("Are you sure you want to stop archive export?"),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    DialogSeam::exec(&box);
    if (box.clickedButton() != box.button(QMessageBox::Yes))
        return;
    muxer.stop();
    state = 5;
    ui->progressBar->setFormat(QStringLiteral("%p%. %1").arg(tr("Stopped.")));
    showWritten(muxer.loadedTime() >= 1);
    ui->stopButton->setEnabled(false);
    emit exportFinished();
}

// The file button and "Open" after a job ended early: the file when something was written, else the cancel mark.
void ExportWidget::showWritten(bool written)
{
    if (written) {
        ui->fileButton->setCursor(Qt::PointingHandCursor);
        ui->fileButton->setToolTip(filePath);
        openAction->setEnabled(true);
        return;
    }
    ui->fileButton->setIcon(QIcon(QString::fromLatin1(kCancelIcon)));
    openAction->setEnabled(false);
    ui->fileButton->setToolTip(tr("The file has not been created"));
}

void ExportWidget::showContextMenu(QPoint pos)
{
    QMenu menu;
    menu.addAction(openAction);
    menu.addAction(showInFolderAction);
    menu.addAction(settingsAction);
    menu.exec(mapToGlobal(pos));
}

void ExportWidget::onMenuClicked()
{
    const QPoint at = ui->menuButton->pos();
    showContextMenu(QPoint(at.x(), at.y() - 80));
}

void ExportWidget::openSettings()
{
    emit showSettings();
}

QString ExportWidget::exportPath()
{
    QString path = Utils::Keys::arcExportPath().value();
    if (path.isEmpty())
        path = Utils::defaultExportFolder();
    if (!QDir().exists(path))
        QDir().mkpath(path);
    return QDir::toNativeSeparators(path);
}

int ExportWidget::checkPath(const QString& path) const
{
    // A file of that name cannot take exports, whatever its drive has free.
    const QFileInfo info(path);
    if (info.exists() ? !info.isDir() : !QDir().mkpath(path))
        return 1;
    quint64 available = 0;
    if (!Utils::freeSpace(path.toUtf8().toStdString(), nullptr, &available, nullptr))
        return 2;
    if (double(available) / (1024.0 * 1024.0) < kMinFreeMb)
        return 3;
    return 0;
}

QString ExportWidget::pathErrorText(int error, const QString& path) const
{
    switch (error) {
    case 0:
        return tr("No error");
    case 1:
        return tr("Path %1 does not exist. Create this path or change the export path in settings.").arg(path);
    case 2:
        return tr("Path %1 is incorrect. Check the export path in settings.").arg(path);
    case 3:
        return tr("It is less than %1 Mb free on drive %2. Please free some space on this drive or choose another "
                  "folder for records in settings.")
            .arg(QString::number(kMinFreeMb), QStorageInfo(path).rootPath());
    default:
        return tr("Unknown error");
    }
}

void ExportWidget::loadEnvironment()
{
    for (const QString& entry : QProcess::systemEnvironment()) {
        const int equals = entry.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        environment.insert(entry.left(equals).toUpper(), entry.mid(equals + 1));
    }
}

QStringList ExportWidget::pathDirectories() const
{
    return environment.value(QStringLiteral("PATH")).split(QDir::listSeparator());
}

QString ExportWidget::findExecutable(QString name) const
{
    qDebug() << "looking for " << name << "in PATH: " << environment.value(QStringLiteral("PATH"));
    if (name.isEmpty())
        return QString();
    const QFileInfo given(name);
    if (!given.isRelative() && given.exists())
        return name;
    for (const QString& directory : pathDirectories()) {
        const QFileInfo candidate(directory + QLatin1Char('/') + name);
        if (candidate.exists())
            return candidate.absoluteFilePath();
    }
    return QString();
}

// The file manager's path; when it is not on the path, the user and the log are told so and it is empty.
QString ExportWidget::fileManager()
{
    const QString found = findExecutable(QString::fromLatin1(kFileManager));
    if (found.isEmpty()) {
        qWarning() << "File manager not found in PATH:" << QLatin1String(kFileManager);
        QMessageBox box(QMessageBox::Warning, tr("Launching file manager failed"),
                        tr("Could not find xdg-open in path to launch the file manager."), QMessageBox::Ok, this);
        DialogSeam::exec(&box);
    }
    return found;
}

void ExportWidget::openDir()
{
    qDebug() << "Open dir:" << filePath;
    const QString fileManager = this->fileManager();
    if (fileManager.isEmpty())
        return;
    // The file manager takes a folder only: a job's file is shown through the folder that holds it.
    const QFileInfo target(filePath);
    const QStringList arguments{QDir::toNativeSeparators(target.isDir() ? filePath : target.absolutePath())};
    qDebug() << "param:" << arguments;
    Core::Vlc::startDetached(fileManager, arguments);
}

void ExportWidget::openFile()
{
    if (!openAction->isEnabled())
        return;
    const QString url = QUrl::fromLocalFile(filePath).toString();
    const QString opener = fileManager();
    if (!opener.isEmpty())
        Core::Vlc::startDetached(opener, {QDir::toNativeSeparators(filePath)});
    qDebug() << "Open file url:" << url;
}

} // namespace GUI
} // namespace QuorvelClient
