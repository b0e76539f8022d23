#include "application/Language.h"
#include "gui/DialogSeam.h"
#include "gui/playback/WindowRig.h"
#include "gui/playback/export/ExportWidget.h"
#include "gui/playback/widgets/Timeline.h"
#include "support/TestEnvironment.h"
#include "support/Widgets.h"
#include "utils/SettingsKeys.h"

#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>

using namespace QuorvelClient;
using namespace TestSupport;
using GUI::PlaybackWindow2;

namespace {

const QDate kDay = QDate::currentDate().addDays(-1);

FakeRecord record(const QDateTime& start, int seconds)
{
    return {1, 100, start.toMSecsSinceEpoch(), seconds * 1000LL, 1};
}

// Where a new selection starts while archive runs through the middle of the view: the whole minute 150 s before it.
QDateTime selectionSpot(GUI::Timeline* timeline)
{
    const QDateTime view = timeline->startValue();
    const QTime from = view.addSecs(view.secsTo(timeline->endValue()) / 2 - 150).time();
    return QDateTime(kDay, QTime(from.hour(), from.minute()));
}

// Presses export and tells whether the strip now offers to accept a range.
bool selecting(QWidget* window)
{
    QTest::mouseClick(child<QPushButton>(window, "btnExport"), Qt::LeftButton);
    return child<QPushButton>(window, "btnAccExport")->isVisible();
}

} // namespace

class tst_ControlPanelExport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void refusals_data();
    void refusals();
    void exportFromTheStrip_data();
    void exportFromTheStrip();

private:
    WindowRig m_rig;
    // What the last box said: title, text, detailed text and text format; every box is answered with OK.
    QStringList m_box;
};

void tst_ControlPanelExport::initTestCase()
{
    Application::loadLanguage(QStringLiteral("en"));
    QVERIFY(m_rig.start());
    m_rig.source.setArchiveLoops(4);
    m_rig.source.setBurst(12000);
    GUI::DialogSeam::setAnswerer([this](QDialog* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        m_box = {box->windowTitle(), box->text(), box->detailedText(), QString::number(box->textFormat())};
        return int(QMessageBox::Ok);
    });
}

void tst_ControlPanelExport::init()
{
    for (int id : {3, 4})
        m_rig.server.setRecords(id, {record(QDateTime(kDay, QTime(10, 0)), 15)});
    m_rig.source.clearRequests();
    m_box.clear();
    m_rig.window.reset();
}

void tst_ControlPanelExport::refusals_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("says"); // a part of the text that tells this case from the others
    const QString date = kDay.toString(Qt::TextDate);
    QTest::newRow("account camera") << 0 << "Export works only for local servers"
                                    << "<a href='https://www.quorvel.example/?target=my-account&lang=en'>";
    QTest::newRow("old server") << 1 << "Old videoserver"
                                << "not supported for camera Yard-Main-Door.\n";
    QTest::newRow("no records") << 2 << "No records"
                                << "There are no records for " + date + ". Please";
    QTest::newRow("no records, other camera has") << 3 << "No records"
                                                  << "camera Yard-Main-Door for " + date + ".\n";
}

void tst_ControlPanelExport::refusals()
{
    QFETCH(int, kind);
    QFETCH(QString, title);
    QFETCH(QString, says);
    Core::CameraPtr cam = m_rig.camera(3, "Main-Door");
    cam->setServerType(kind == 0 ? 0 : 1);
    cam->setArchiveExportSupported(kind != 1);
    if (kind >= 2)
        m_rig.server.setRecords(3, {});
    GUI::ControlPanel panel;
    panel.show();
    panel.findChild<GUI::ArchivePanel*>()->setCurrentDate(kDay);
    for (const Core::CameraPtr& each : kind == 3 ? QList<Core::CameraPtr>{m_rig.camera(4, "Gate"), cam} : QList{cam}) {
        panel.addCamera(each);
        panel.setActiveCamera(each->globalId());
    }
    // Until the records replies are in, the panel knows fewer cameras' records.
    QTRY_VERIFY((selecting(&panel), m_box.value(1).contains(says)));
    QCOMPARE(m_box.value(0), title);
    QCOMPARE(m_box.value(3) == QString::number(Qt::RichText), kind == 0);
    QCOMPARE(m_box.value(2).startsWith("To add local server you should first enable the local view"), kind == 0);
    QVERIFY(!child<QPushButton>(&panel, "btnAccExport")->isVisible());
}

void tst_ControlPanelExport::exportFromTheStrip_data()
{
    QTest::addColumn<int>("endOfFirst"); // 0: one 15 s record a minute into the selection, else two records
    QTest::addColumn<QString>("folder");
    QTest::addColumn<qint64>("duration"); // 0: the active camera is not one the strip holds
    QTest::newRow("exported") << 0 << "exports" << 15000LL;
    QTest::newRow("two records' ends, folder a file") << 30 << "file" << 75000LL;
    QTest::newRow("camera not held") << 0 << "exports" << 0LL;
}

// The playback window and the export panel, wired as the main window wires them.
void tst_ControlPanelExport::exportFromTheStrip()
{
    QFETCH(int, endOfFirst);
    QFETCH(QString, folder);
    QFETCH(qint64, duration);
    QFile(rootDir() + "/file").open(QIODevice::WriteOnly);
    Utils::Keys::arcExportPath().setValue(rootDir() + '/' + folder);
    // The view's middle, and so the selection's place, does not depend on the cameras.
    const QDateTime s = selectionSpot(PlaybackWindow2().findChild<GUI::Timeline*>());
    const QDateTime e = s.addSecs(300);
    if (endOfFirst)
        m_rig.server.setRecords(3, {record(s.addSecs(endOfFirst - 600), 600), record(e.addSecs(-45), 200)});
    else
        m_rig.server.setRecords(3, {record(s.addSecs(60), 15)});
    const Core::CameraPtr cam = m_rig.camera(3, "Main-Door");
    m_rig.newWindow(1200);
    m_rig.open({cam}, kDay);
    PlaybackWindow2* window = m_rig.window.get();
    GUI::ExportWidget exporter;
    connect(&exporter, &GUI::ExportWidget::exportStarted, window, &PlaybackWindow2::onExportStarted);
    connect(&exporter, &GUI::ExportWidget::exportFinished, window, &PlaybackWindow2::onExportFinished);
    connect(&exporter, &GUI::ExportWidget::exportError, window, &PlaybackWindow2::onExportError);
    connect(window, &PlaybackWindow2::exportAccepted, &exporter,
            [&](Core::CameraPtr cam, QDateTime s, QDateTime e, qint64 d) {
                const QString path = GUI::ExportWidget::exportPath();
                const int error = exporter.checkPath(path);
                if (error == 0)
                    return exporter.startExport(cam, s, e, d);
                QMessageBox box(QMessageBox::Warning, "Export path error", exporter.pathErrorText(error, path),
                                QMessageBox::Ok, window);
                GUI::DialogSeam::exec(&box);
                window->onExportError();
            });
    QSignalSpy accepted(window, &PlaybackWindow2::exportAccepted);
    QSignalSpy messages(window, &PlaybackWindow2::showMessage);
    QSignalSpy finished(&exporter, &GUI::ExportWidget::exportFinished);

    auto* timeline = window->findChild<GUI::Timeline*>();
    QTRY_VERIFY_WITH_TIMEOUT(selecting(window), 10000);
    QCOMPARE(messages.last().at(0).toString(), "Select a time range to export");
    QCOMPARE(timeline->selectionStart(), s);
    if (!duration)
        m_rig.panel()->setActiveCamera({QStringLiteral("elsewhere"), 3});
    QTest::mouseClick(child<QPushButton>(window, "btnAccExport"), Qt::LeftButton);
    const QString range = s.toString("hh:mm:ss") + " - " + e.toString("hh:mm:ss");
    QPushButton* exportButton = child<QPushButton>(window, "btnExport");
    if (!duration) {
        // The range stays for another try.
        QCOMPARE(messages.last().at(0).toString(), "The selected range " + range + " does not contain any records");
        QVERIFY(accepted.isEmpty() && child<QPushButton>(window, "btnAccExport")->isVisible());
        return;
    }
    QCOMPARE(accepted.size(), 1);
    QCOMPARE(accepted.at(0).at(0).value<Core::CameraPtr>(), cam);
    QCOMPARE(accepted.at(0).mid(1), QVariantList({s, e, duration}));
    QCOMPARE(messages.last().at(0).toString(), "Exporting archive interval " + range);
    if (folder == "file") {
        QCOMPARE(m_box.mid(0, 2), QStringList({"Export path error", "Path " + rootDir() +
                                                                        "/file does not exist. Create this path or "
                                                                        "change the export path in settings."}));
        QCOMPARE(m_rig.source.requestCount("/flv/archive"), 0);
        QVERIFY(exportButton->isEnabled());
        // After a failed export the next selection keeps its range, wherever the view went.
        QTest::mouseClick(child<QToolButton>(window, "btnZoomIn"), Qt::LeftButton);
        QTRY_VERIFY(timeline->startValue().secsTo(timeline->endValue()) < 86000);
        QTest::mouseClick(child<QToolButton>(window, "btnScrollEarlier"), Qt::LeftButton);
        QTRY_VERIFY(selectionSpot(timeline) < s);
        QVERIFY(selecting(window));
        QCOMPARE(timeline->selectionStart(), s);
        return;
    }
    QVERIFY(!exportButton->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
    QCOMPARE(m_rig.source.requestCount("/flv/archive"), 1);
    QVERIFY(exportButton->isEnabled());
}

QUORVEL_TEST_MAIN(tst_ControlPanelExport)
#include "tst_ControlPanelExport.moc"
