#include "gui/playback/widgets/ArchivePanel.h"
#include "gui/playback/widgets/CalendarWidget.h"
#include "support/TestEnvironment.h"
#include "support/Widgets.h"

#include <QDateEdit>
#include <QMovie>
#include <QTableView>

using namespace QuorvelClient;
using GUI::ArchivePanel;
using GUI::CalendarWidget;

namespace {

const Core::camera_global_id_t kCamA(QStringLiteral("127.0.0.1:8080"), 1);
const Core::camera_global_id_t kCamB(QStringLiteral("127.0.0.1:8080"), 2);
const QColor kYellow(255, 255, 0);
const QColor kGrey(150, 150, 150);
const QColor kRed(255, 0, 0);
const QColor kBlack(0, 0, 0);

// The cell of the n-th grid cell (in reading order) that shows this day number.
QRect cellRect(CalendarWidget* calendar, int day, int occurrence = 0)
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
QSet<QRgb> cellColours(CalendarWidget* calendar, const QRect& rect)
{
    const QImage image = calendar->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QSet<QRgb> colours;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x)
            colours.insert(image.pixel(x, y));
    }
    return colours;
}

} // namespace

class tst_ArchivePanel : public QObject
{
    Q_OBJECT
private slots:
    void takesDates_data();
    void takesDates();
    void typedYearBeforeFirstDay();
    void marksDaysPerCamera();
    void reportsCalendarPage();
    void busyAnimationIsDrawn();
};

void tst_ArchivePanel::takesDates_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QDate>("shown");
    QTest::addColumn<int>("reports");
    const QDate today = QDate::currentDate();
    QTest::newRow("today again") << today << today << 0;
    QTest::newRow("years ahead") << QDate(2031, 5, 1) << QDate(2031, 5, 1) << 1;
    QTest::newRow("before the first day") << QDate(2008, 6, 15) << QDate(2009, 1, 1) << 1;
    QTest::newRow("invalid") << QDate() << today << 0;
}

void tst_ArchivePanel::takesDates()
{
    QFETCH(QDate, date);
    ArchivePanel panel;
    auto* edit = TestSupport::child<QDateEdit>(&panel, "dateEdit");
    QCOMPARE(panel.currentDate(), QDate::currentDate());
    QCOMPARE(edit->text(), QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));

    QSignalSpy reports(&panel, &ArchivePanel::dateChanged);
    panel.setCurrentDate(date);
    QTEST(panel.currentDate(), "shown");
    QTEST(int(reports.size()), "reports");
    if (!reports.isEmpty())
        QTEST(reports.first().first().toDate(), "shown");
}

void tst_ArchivePanel::typedYearBeforeFirstDay()
{
    ArchivePanel panel;
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    auto* edit = TestSupport::child<QDateEdit>(&panel, "dateEdit");
    edit->setFocus();
    edit->setSelectedSection(QDateTimeEdit::YearSection);
    QSignalSpy reports(&panel, &ArchivePanel::dateChanged);
    QTest::keyClicks(edit, QStringLiteral("2008"));
    QTest::keyClick(edit, Qt::Key_Return);
    edit->clearFocus();
    QTRY_COMPARE(panel.currentDate(), QDate(2009, 1, 1));
    QCOMPARE(edit->text(), QStringLiteral("01.01.2009"));
    QCOMPARE(reports.last().first().toDate(), QDate(2009, 1, 1));
}

void tst_ArchivePanel::marksDaysPerCamera()
{
    ArchivePanel panel;
    auto* calendar = panel.findChild<CalendarWidget*>();
    QVERIFY(calendar);
    panel.show();
    // The user opens the popup; it turns the calendar to the editor's month, so the page is set afterwards.
    auto* edit = TestSupport::child<QDateEdit>(&panel, "dateEdit");
    QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(edit->width() - 6, edit->height() / 2));
    QVERIFY(calendar->isVisible());
    calendar->setCurrentPage(2024, 5);

    // 30 April is the grey day before May; 15 May a Wednesday, 19 May a Sunday.
    panel.addArchiveDay(kCamA, QDate(2024, 5, 15));
    panel.addArchiveDay(kCamA, QDate(2024, 5, 15));
    panel.addArchiveDay(kCamB, QDate(2024, 5, 15));
    panel.addArchiveDay(kCamB, QDate(2024, 4, 30));
    const QRect wednesday = cellRect(calendar, 15);
    const QRect april = cellRect(calendar, 30);
    const QRect sunday = cellRect(calendar, 19);
    QVERIFY(wednesday.isValid() && april.isValid() && sunday.isValid());

    QSet<QRgb> colours = cellColours(calendar, wednesday);
    QVERIFY(colours.contains(kYellow.rgb()) && colours.contains(kBlack.rgb()));
    colours = cellColours(calendar, april);
    QVERIFY(colours.contains(kYellow.rgb()) && colours.contains(kGrey.rgb()));
    colours = cellColours(calendar, sunday);
    QVERIFY(colours.contains(kRed.rgb()) && !colours.contains(kYellow.rgb()));

    // The day stays marked while one camera has archive on it.
    panel.removeCamera(kCamA);
    QVERIFY(cellColours(calendar, wednesday).contains(kYellow.rgb()));
    panel.removeCamera(Core::camera_global_id_t(QStringLiteral("other"), 1));
    QVERIFY(cellColours(calendar, april).contains(kYellow.rgb()));
    panel.removeCamera(kCamB);
    QVERIFY(!cellColours(calendar, wednesday).contains(kYellow.rgb()));
    QVERIFY(!cellColours(calendar, april).contains(kYellow.rgb()));

    // A camera removed earlier comes back to a day of its own.
    panel.addArchiveDay(kCamA, QDate(2024, 5, 15));
    QVERIFY(cellColours(calendar, wednesday).contains(kYellow.rgb()));
    panel.clearArchiveDays();
    QVERIFY(!cellColours(calendar, wednesday).contains(kYellow.rgb()));
}

void tst_ArchivePanel::reportsCalendarPage()
{
    ArchivePanel panel;
    panel.setCurrentDate(QDate(2024, 3, 10));
    QSignalSpy months(&panel, &ArchivePanel::monthChanged);
    panel.setCurrentDate(QDate(2024, 3, 20));
    QCOMPARE(months.size(), 0);
    // The editor turns its calendar with the date.
    panel.setCurrentDate(QDate(2024, 1, 31));
    QCOMPARE(months.size(), 1);
    QCOMPARE(months.last(), QVariantList({2024, 1}));
    panel.findChild<CalendarWidget*>()->showPreviousMonth();
    QCOMPARE(months.last(), QVariantList({2023, 12}));
}

void tst_ArchivePanel::busyAnimationIsDrawn()
{
    ArchivePanel panel;
    auto* movie = panel.findChild<QMovie*>();
    QVERIFY(movie && movie->isValid());
    QVERIFY(movie->frameCount() > 1);
    QCOMPARE(movie->state(), QMovie::NotRunning);
    panel.showBusyAnimation();
    QCOMPARE(movie->state(), QMovie::Running);
    QCOMPARE(movie->currentImage().size(), QSize(43, 11));
    panel.stopBusyAnimation();
    QCOMPARE(movie->state(), QMovie::NotRunning);
}

QUORVEL_TEST_MAIN(tst_ArchivePanel)
#include "tst_ArchivePanel.moc"
