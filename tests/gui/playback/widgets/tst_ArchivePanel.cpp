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
