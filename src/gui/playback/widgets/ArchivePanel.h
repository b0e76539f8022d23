#pragma once

#include "core/ArchiveRecord.h"
#include "core/Camera.h"

#include <QDate>
#include <QDateTime>
#include <QFrame>
#include <QList>
#include <QMap>
#include <QTime>

#include <memory>

class QMovie;

namespace QuorvelClient {
namespace GUI {

namespace Ui {
class ArchivePanel;
}

class CalendarWidget;

// The archive day picker of the control strip: a date editor whose popup calendar marks the days on which some
// open camera has archive. It reports the day the user picks and the month the user turns the calendar to.
class ArchivePanel : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(QDate currentDate READ currentDate)
public:
    explicit ArchivePanel(QWidget* parent = nullptr);
    ~ArchivePanel() override;

    QDate currentDate() const;
    // An invalid date is ignored and one before the editor's first day is moved to it.
    void setCurrentDate(QDate date);

    void addArchiveDay(const Core::camera_global_id_t& camera, QDate date);
    // The same for the days of a reply, with one repaint.
    void addArchiveDays(const Core::camera_global_id_t& camera, const QList<QDate>& dates);
    // Forgets the camera on every day; a day left without cameras is no longer marked.
    void removeCamera(const Core::camera_global_id_t& camera);
    void clearArchiveDays();

signals:
    void dateChanged(QDate date);
    void monthChanged(int year, int month);
    void showRecord(Core::ArchiveRecordPtr record);

public slots:
    void showBusyAnimation();
    void stopBusyAnimation();
    void updateTimeLimit(QTime low, QTime high);

private slots:
    void updateBusy();
    void dateTimeChanged(QDateTime value);

private:
    std::unique_ptr<Ui::ArchivePanel> ui;
    QMovie* m_busyMovie = nullptr;
    CalendarWidget* m_calendar = nullptr;
    // The cameras with archive on each day, in the order reported; a day is here only while some camera is.
    QMap<QDate, QList<Core::camera_global_id_t>> m_archiveDays;
};

} // namespace GUI
} // namespace QuorvelClient
