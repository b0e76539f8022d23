#include "application/Language.h"
#include "gui/playback/WindowRig.h"
#include "support/BoxAnswerer.h"
#include "support/PeerNameProbe.h"
#include "support/TestEnvironment.h"
#include "support/Widgets.h"

#include <QComboBox>
#include <QErrorMessage>
#include <QPushButton>
#include <QTextEdit>

using namespace QuorvelClient;
using namespace TestSupport;

namespace {

const QDate kDay = QDate::currentDate().addDays(-1);

} // namespace

// The panel's messages name cameras as the peers sent the names: never as markup.
class tst_ControlPanelMessages : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void peerNamesShowAsSent_data();
    void peerNamesShowAsSent();

private:
    WindowRig m_rig;
};

void tst_ControlPanelMessages::initTestCase()
{
    Application::loadLanguage(QStringLiteral("en"));
    QVERIFY(m_rig.start());
    m_rig.server.setRecords(4, {{1, 100, QDateTime(kDay, QTime(10, 0)).toMSecsSinceEpoch(), 15000, 1}});
}

void tst_ControlPanelMessages::peerNamesShowAsSent_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("says"); // the sentence around the name, %1 for the camera's full name
    QTest::newRow("export, old server") << "btnExport"
                                        << "Archive export is not supported for camera %1.\n";
    QTest::newRow("search, old server") << "btnSearch"
                                        << "Archive search is not available for camera %1.\n";
    QTest::newRow("no records of the camera")
        << "btnExport"
        << "There are no records for camera %1 for " + kDay.toString(Qt::TextDate) + ".\n";
    QTest::newRow("faster play") << "boxSpeed"
                                 << "disabled for cameras %1.\n";
}

void tst_ControlPanelMessages::peerNamesShowAsSent()
{
    QFETCH(QString, action);
    QFETCH(QString, says);
    const bool noRecords = QString(QTest::currentDataTag()).startsWith("no records");
    PeerNameProbe probe;
    // And a name of a million letters, which shows cut to a few hundred.
    for (const QString& name : probe.names() + QStringList{QString(1000000, 'n')}) {
        auto camera =
            std::make_shared<Core::Camera>(3, name, m_rig.serverId(), 0, "Yard", action != "boxSpeed", noRecords, false,
                                           QSize(320, 240), "h264", Core::Camera::CameraFlags(), QString());
        camera->setServerType(1);
        camera->setPassword(m_rig.server.password());
        GUI::ControlPanel panel;
        panel.show();
        panel.findChild<GUI::ArchivePanel*>()->setCurrentDate(kDay);
        for (const Core::CameraPtr& each : noRecords ? QList{m_rig.camera(4, "Gate"), camera} : QList{camera}) {
            panel.addCamera(each);
            panel.setActiveCamera(each->globalId());
        }
        const QString expected =
            says.arg(name.size() > 200 ? "Yard-" + name.left(194) + QChar(0x2026) : "Yard-" + name);
        QString shown;
        if (action == "boxSpeed") {
            child<QComboBox>(&panel, "boxSpeed")->setCurrentIndex(1);
            shown = panel.findChild<QErrorMessage*>()->findChild<QTextEdit*>()->toPlainText();
        } else {
            BoxAnswerer boxes("OK");
            // Until the records replies are in, the panel knows fewer cameras' records.
            QTRY_VERIFY((child<QPushButton>(&panel, qPrintable(action))->click(),
                         boxes.seen().value(boxes.count() - 1).shown.contains(expected) || !noRecords));
            shown = boxes.last().shown;
        }
        QVERIFY2(shown.contains(expected), qPrintable(shown));
        QVERIFY(!probe.fileOpened());
    }
}

QUORVEL_TEST_MAIN(tst_ControlPanelMessages)
#include "tst_ControlPanelMessages.moc"
