#pragma once

#include "gui/playback/widgets/ArchivePanel.h"
#include "gui/playback/widgets/CalendarWidget.h"

#include <QDateEdit>
#include <QSet>
#include <QTableView>
#include <QTest>

namespace TestSupport {

// Opens the panel's calendar as the user does, with a click on the editor's arrow; the panel must be shown. The
// calendar turns to the editor's month.
inline QuorvelClient::GUI::CalendarWidget* openCalendar(QuorvelClient::GUI::ArchivePanel* panel)
{
    auto* edit = panel->findChild<QDateEdit*>(QStringLiteral("dateEdit"));
    QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(edit->width() - 6, edit->height() / 2));
    auto* calendar = panel->findChild<QuorvelClient::GUI::CalendarWidget*>();
    return calendar->isVisible() ? calendar : nullptr;
}

// The cell of the n-th grid cell (in reading order) that shows this day number.
inline QRect cellRect(QuorvelClient::GUI::CalendarWidget* calendar, int day, int occurrence = 0)
{
    auto* view = calendar->findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"));
    for (int row = 1; row < view->model()->rowCount(); ++row) {
        for (int column = 1; column < view->model()->columnCount(); ++column) {
            const QModelIndex index = view->model()->index(row, column);
            if (index.data().toInt() == day && occurrence-- == 0)
                return view->visualRect(index).translated(view->viewport()->mapTo(calendar, QPoint()));
        }
    }
    return QRect();
}

// The colours found in a cell of the calendar as it paints itself now.
inline QSet<QRgb> cellColours(QuorvelClient::GUI::CalendarWidget* calendar, const QRect& rect)
{
    const QImage image = calendar->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QSet<QRgb> colours;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x)
            colours.insert(image.pixel(x, y));
    }
    return colours;
}

} // namespace TestSupport
