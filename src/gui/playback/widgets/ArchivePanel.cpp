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
    addArchiveDays(camera, {date});
}

void ArchivePanel::addArchiveDays(const Core::camera_global_id_t& camera, const QList<QDate>& dates)
{
    QList<QDate> added;
    for (const QDate& date : dates) {
        QList<Core::camera_global_id_t>& cameras = m_archiveDays[date];
        if (cameras.contains(camera))
            continue;
        cameras.append(camera);
        added.append(date);
    }
    if (added.isEmpty())
        return;
    m_calendar->addMarkedDates(added);
    update();
}

void ArchivePanel::removeCamera(const Core::camera_global_id_t& camera)
{
    QList<QDate> emptied;
    for (auto it = m_archiveDays.begin(); it != m_archiveDays.end();) {
        if (it->removeAll(camera) == 0 || !it->isEmpty()) {
            ++it;
            continue;
        }
        emptied.append(it.key());
        it = m_archiveDays.erase(it);
    }
    if (!emptied.isEmpty())
        m_calendar->removeMarkedDates(emptied);
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
