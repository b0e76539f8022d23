#include "gui/playback/CalendarCells.h"
#include "gui/playback/widgets/ArchivePanel.h"
#include "gui/playback/widgets/CalendarWidget.h"
#include "support/TestEnvironment.h"
#include "support/Widgets.h"

#include <QDateEdit>

using namespace QuorvelClient;
using GUI::ArchivePanel;

class tst_ArchivePanel : public QObject
{
    Q_OBJECT
private slots:
    void dateEditorLimits();
    void marksDaysPerCamera();
    void reportsCalendarPage();
};

void tst_ArchivePanel::dateEditorLimits()
{
    ArchivePanel panel;
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    auto* edit = TestSupport::child<QDateEdit>(&panel, "dateEdit");
    QCOMPARE(edit->text(), QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));
    panel.setCurrentDate(QDate(2031, 5, 1));
    QCOMPARE(panel.currentDate(), QDate(2031, 5, 1));

    // A year typed before the first day of archive gives that day.
    edit->setFocus();
    edit->setSelectedSection(QDateTimeEdit::YearSection);
    QSignalSpy reports(&panel, &ArchivePanel::dateChanged);
    QTest::keyClicks(edit, QStringLiteral("2008"));
    QTest::keyClick(edit, Qt::Key_Return);
    edit->clearFocus();
    QTRY_COMPARE(edit->text(), QStringLiteral("01.01.2009"));
    QCOMPARE(reports.last().first().toDate(), QDate(2009, 1, 1));
}

void tst_ArchivePanel::marksDaysPerCamera()
{
    const Core::camera_global_id_t a(QStringLiteral("127.0.0.1:8080"), 1), b(QStringLiteral("127.0.0.1:8080"), 2);
    ArchivePanel panel;
    panel.show();
    auto* calendar = TestSupport::openCalendar(&panel);
    QVERIFY(calendar);
    calendar->setCurrentPage(2024, 5);
    const QRgb yellow = qRgb(255, 255, 0);
    const auto colours = [&](int day) {
        return TestSupport::cellColours(calendar, TestSupport::cellRect(calendar, day));
    };

    // 30 April is the grey day before May; 15 May a Wednesday, 19 May a Sunday.
    panel.addArchiveDay(a, QDate(2024, 5, 15));
    panel.addArchiveDay(a, QDate(2024, 5, 15));
    panel.addArchiveDay(b, QDate(2024, 5, 15));
    panel.addArchiveDay(b, QDate(2024, 4, 30));
    QVERIFY(colours(15).contains(yellow) && colours(15).contains(qRgb(0, 0, 0)));
    QVERIFY(colours(30).contains(yellow) && colours(30).contains(qRgb(150, 150, 150)));
    QVERIFY(colours(19).contains(qRgb(255, 0, 0)) && !colours(19).contains(yellow));

    // The day stays marked while one camera has archive on it.
    panel.removeCamera(a);
    QVERIFY(colours(15).contains(yellow));
    panel.removeCamera(b);
    QVERIFY(!colours(15).contains(yellow) && !colours(30).contains(yellow));
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
    QCOMPARE(QList<QVariantList>(months), QList<QVariantList>({{2024, 1}}));
    panel.findChild<GUI::CalendarWidget*>()->showPreviousMonth();
    QCOMPARE(months.last(), QVariantList({2023, 12}));
}

QUORVEL_TEST_MAIN(tst_ArchivePanel)
#include "tst_ArchivePanel.moc"
