#pragma once

#include "core/Camera.h"
#include "core/media/VideoMuxer.h"

#include <QDateTime>
#include <QMap>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

class QAction;

namespace QuorvelClient {
namespace GUI {

namespace Ui {
class ExportWidget;
}

// The export dock's panel: writes one stretch of a local camera's archive into a file in the export folder,
// shows the job's progress, retries a job that wrote nothing, lets the user stop it, and offers the written file
// through a small menu. One job at a time; a new one replaces the running one. A job never writes over a file
// that is already in the export folder.
class ExportWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ExportWidget(QWidget* parent = nullptr);
    ~ExportWidget() override;

    // duration: the recorded milliseconds inside the stretch, against which the progress is measured.
    void startExport(Core::CameraPtr camera, QDateTime start, QDateTime end, qint64 duration);

    // The folder exports go to, in native form; made when missing (a failure shows in checkPath).
    static QString exportPath();
    // 0 usable, 1 no folder there and none can be made, 2 its free space cannot be read, 3 under 100 MB free.
    int checkPath(const QString& path) const;
    QString pathErrorText(int error, const QString& path) const;

signals:
    void exportStarted();
    void exportFinished();
    void exportError();
    void showSettings();

public slots:
    void retryLastExport();

private slots:
    void onMuxerLoaded();
    void onMuxerStarted();
    void onMuxerPercentUpdated();
    void onMuxerError();
    void openFile();
    void openDir();
    void openSettings();
    void showContextMenu(QPoint pos);
    void onMenuClicked();
    void stopExport();

private:
    // newFile: a new request, which picks a file name of its own; a retry keeps its job's file.
    void runExport(Core::CameraPtr camera, QDateTime start, QDateTime end, qint64 duration, bool newFile);
    QString freeFileName(const QString& folder, const QString& mux, const QString& runningPath) const;
    void showWritten(bool written);
    void loadEnvironment();
    QStringList pathDirectories() const;
    QString findExecutable(QString name) const;
    QString fileManager();

    std::unique_ptr<Ui::ExportWidget> ui;
    Core::VideoMuxer muxer;
    // The export folder until the first job, then the native path of the last job's file.
    QString filePath;
    QString fileName;
    QAction* openAction = nullptr;
    QAction* showInFolderAction = nullptr;
    QAction* settingsAction = nullptr;
    // Read once at construction; keys in upper case.
    QMap<QString, QString> environment;
    // Automatic retries of the current request.
    int retryCount = 0;
    // 0 idle, 1 connecting, 2 loading, 3 done, 4 interrupted, 5 stopped.
    int state = 0;
    // The last request, repeated unchanged by retryLastExport.
    Core::CameraPtr camera;
    QDateTime startTime;
    QDateTime endTime;
    qint64 duration = 0;
};

} // namespace GUI
} // namespace QuorvelClient
