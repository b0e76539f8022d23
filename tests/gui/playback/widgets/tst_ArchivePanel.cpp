#include "gui/playback/CalendarCells.h"
#include "gui/playback/widgets/ArchivePanel.h"
#include "gui/playback/widgets/CalendarWidget.h"
#include "support/TestEnvironment.h"
#include "support/Widgets.h"

#include <QDateEdit>
#include <QMovie>

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
    panel.show();
    auto* calendar = TestSupport::openCalendar(&panel);
    QVERIFY(calendar);
    calendar->setCurrentPage(2024, 5);

    // 30 April is the grey day before May; 15 May a Wednesday, 19 May a Sunday.
    panel.addArchiveDay(kCamA, QDate(2024, 5, 15));
    panel.addArchiveDay(kCamA, QDate(2024, 5, 15));
    panel.addArchiveDay(kCamB, QDate(2024, 5, 15));
    panel.addArchiveDay(kCamB, QDate(2024, 4, 30));
    const QRect wednesday = TestSupport::cellRect(calendar, 15);
    const QRect april = TestSupport::cellRect(calendar, 30);
    const QRect sunday = TestSupport::cellRect(calendar, 19);
    QVERIFY(wednesday.isValid() && april.isValid() && sunday.isValid());

    QSet<QRgb> colours = TestSupport::cellColours(calendar, wednesday);
    QVERIFY(colours.contains(kYellow.rgb()) && colours.contains(kBlack.rgb()));
    colours = TestSupport::cellColours(calendar, april);
    QVERIFY(colours.contains(kYellow.rgb()) && colours.contains(kGrey.rgb()));
    colours = TestSupport::cellColours(calendar, sunday);
    QVERIFY(colours.contains(kRed.rgb()) && !colours.contains(kYellow.rgb()));

    // The day stays marked while one camera has archive on it.
    panel.removeCamera(kCamA);
    QVERIFY(TestSupport::cellColours(calendar, wednesday).contains(kYellow.rgb()));
    panel.removeCamera(Core::camera_global_id_t(QStringLiteral("other"), 1));
    QVERIFY(TestSupport::cellColours(calendar, april).contains(kYellow.rgb()));
    panel.removeCamera(kCamB);
    QVERIFY(!TestSupport::cellColours(calendar, wednesday).contains(kYellow.rgb()));
    QVERIFY(!TestSupport::cellColours(calendar, april).contains(kYellow.rgb()));

    // A camera removed earlier comes back to a day of its own.
    panel.addArchiveDay(kCamA, QDate(2024, 5, 15));
    QVERIFY(TestSupport::cellColours(calendar, wednesday).contains(kYellow.rgb()));
    panel.clearArchiveDays();
    QVERIFY(!TestSupport::cellColours(calendar, wednesday).contains(kYellow.rgb()));
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
