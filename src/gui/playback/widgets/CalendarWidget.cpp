#include "gui/playback/widgets/CalendarWidget.h"

#include <QPainter>

namespace QuorvelClient {
namespace GUI {

CalendarWidget::CalendarWidget(QWidget* parent) : QCalendarWidget(parent) {}

void CalendarWidget::addMarkedDate(QDate date)
{
    addMarkedDates({date});
}

void CalendarWidget::removeMarkedDate(QDate date)
{
    m_markedDates.remove(date);
    updateCells();
}

void CalendarWidget::addMarkedDates(const QList<QDate>& dates)
{
    const qsizetype before = m_markedDates.size();
    for (const QDate& date : dates)
        m_markedDates.insert(date);
    if (m_markedDates.size() != before)
        updateCells();
}

void CalendarWidget::removeMarkedDates(const QList<QDate>& dates)
{
    for (const QDate& date : dates)
        m_markedDates.remove(date);
    updateCells();
}

void CalendarWidget::clearMarkedDates()
{
    m_markedDates.clear();
    updateCells();
}

// The base painting is left out on purpose: a marked day shows a box behind its number, not a coloured cell.
void CalendarWidget::paintCell(QPainter* painter, const QRect& rect, QDate date) const
{
    const QPen pen = painter->pen();
    const QBrush background = painter->background();
    const Qt::BGMode mode = painter->backgroundMode();

    if (m_markedDates.contains(date)) {
        painter->setBackground(QBrush(QColor(255, 255, 0)));
        painter->setBackgroundMode(Qt::OpaqueMode);
    } else {
        painter->setBackgroundMode(Qt::TransparentMode);
    }
    if (date.month() != monthShown())
        painter->setPen(QColor(150, 150, 150));
    else if (date.dayOfWeek() >= 6)
        painter->setPen(QColor(255, 0, 0));
    else
        painter->setPen(QColor(0, 0, 0));
    painter->drawText(rect, Qt::AlignCenter, date.toString(QStringLiteral("dd")));

    painter->setPen(pen);
    painter->setBackground(background);
    painter->setBackgroundMode(mode);
}

} // namespace GUI
} // namespace QuorvelClient
