#pragma once

#include <QCalendarWidget>
#include <QDate>
#include <QList>
#include <QSet>

namespace QuorvelClient {
namespace GUI {

// The popup calendar of the archive day picker: a day that holds archive shows its number on a yellow box, the
// days of the neighbouring months are grey and weekends red. No cell is highlighted, not even the selected one.
class CalendarWidget : public QCalendarWidget
{
    Q_OBJECT
public:
    explicit CalendarWidget(QWidget* parent = nullptr);

    void addMarkedDate(QDate date);
    void removeMarkedDate(QDate date);
    // Many days at once, with one repaint of the cells.
    void addMarkedDates(const QList<QDate>& dates);
    void removeMarkedDates(const QList<QDate>& dates);
    void clearMarkedDates();

protected:
    void paintCell(QPainter* painter, const QRect& rect, QDate date) const override;

private:
    QSet<QDate> m_markedDates;
};

} // namespace GUI
} // namespace QuorvelClient
