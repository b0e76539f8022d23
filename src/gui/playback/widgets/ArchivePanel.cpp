#include "gui/playback/widgets/ArchivePanel.h"

#include "gui/playback/widgets/CalendarWidget.h"
#include "ui_ArchivePanel.h"

#include <QMovie>

namespace QuorvelClient {
namespace GUI {

ArchivePanel::ArchivePanel(QWidget* parent) : QFrame(parent), ui(new Ui::ArchivePanel)
{
    ui->setupUi(this);

    m_calendar = new CalendarWidget(this);
    connect(m_calendar, &CalendarWidget::currentPageChanged, this, &ArchivePanel::monthChanged);

    // Today is set before the editor is listened to, so construction reports no day.
    ui->dateEdit->setCalendarWidget(m_calendar);
    ui->dateEdit->setDate(QDate::currentDate());
    connect(ui->dateEdit, &QDateEdit::dateTimeChanged, this, &ArchivePanel::dateTimeChanged);

    m_busyMovie = new QMovie(QStringLiteral(":icons/animated/busy-4.gif"), QByteArrayLiteral("gif"), this);
    connect(m_busyMovie, &QMovie::updated, this, &ArchivePanel::updateBusy);
}

ArchivePanel::~ArchivePanel() = default;

QDate ArchivePanel::currentDate() const
{
    return ui->dateEdit->date();
}

void ArchivePanel::setCurrentDate(QDate date)
{
    ui->dateEdit->setDate(date);
}

void ArchivePanel::addArchiveDay(const Core::camera_global_id_t& camera, QDate date)
{
    QList<Core::camera_global_id_t>& cameras = m_archiveDays[date];
    if (cameras.contains(camera))
        return;
    cameras.append(camera);
    m_calendar->addMarkedDate(date);
    update();
}

void ArchivePanel::removeCamera(const Core::camera_global_id_t& camera)
{
    const QList<QDate> dates = m_archiveDays.keys();
    for (const QDate& date : dates) {
        auto it = m_archiveDays.find(date);
        if (it->removeAll(camera) == 0 || !it->isEmpty())
            continue;
        m_archiveDays.erase(it);
        m_calendar->removeMarkedDate(date);
    }
}

void ArchivePanel::clearArchiveDays()
{
    m_archiveDays.clear();
    m_calendar->clearMarkedDates();
}

void ArchivePanel::showBusyAnimation()
{
    m_busyMovie->start();
}

void ArchivePanel::stopBusyAnimation()
{
    m_busyMovie->stop();
}

void ArchivePanel::updateTimeLimit(QTime, QTime) {}

void ArchivePanel::updateBusy() {}

void ArchivePanel::dateTimeChanged(QDateTime value)
{
    emit dateChanged(value.date());
}

} // namespace GUI
} // namespace QuorvelClient
