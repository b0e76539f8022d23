#include "gui/playback/controls/ControlPanel.h"
#include "gui/playback/widgets/Timeline.h"
#include "support/MessageCapture.h"
#include "support/TestEnvironment.h"
#include "utils/Settings.h"
#include "utils/SettingsKeys.h"

#include <QToolButton>

using QuorvelClient::GUI::ControlPanel;

class tst_ControlPanel : public QObject
{
    Q_OBJECT
private slots:
    void storedVolume_data();
    void storedVolume();
    void timelineButtonsMoveTheView();
};

void tst_ControlPanel::storedVolume_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("volume");
    QTest::addColumn<bool>("ignored");
    QTest::newRow("absent") << QVariant() << 100 << false;
    QTest::newRow("stray text") << QVariant("loud") << 100 << true;
    QTest::newRow("in range") << QVariant(150) << 150 << false;
    QTest::newRow("above the range") << QVariant(500) << 200 << false;
    QTest::newRow("below the range") << QVariant(-5) << 0 << false;
}

void tst_ControlPanel::storedVolume()
{
    QFETCH(QVariant, stored);
    Utils::Keys::panelVolume().remove();
    if (stored.isValid())
        Utils::Settings::instance()->setValue(Utils::Keys::panelVolume().name(), stored);

    TestSupport::MessageCapture log;
    ControlPanel panel;
    QTEST(panel.volume(), "volume");
    QTEST(log.contains("Ignored stored volume:"), "ignored");
    QVERIFY(!panel.addCamera(nullptr));
}

void tst_ControlPanel::timelineButtonsMoveTheView()
{
    ControlPanel panel;
    panel.resize(900, 90);
    auto* timeline = panel.findChild<QuorvelClient::GUI::Timeline*>();
    // Each button as the view's start and span after it.
    QStringList moves;
    for (const char* name : {"btnZoomIn", "btnScrollEarlier", "btnScrollLater", "btnZoomOut"}) {
        panel.findChild<QToolButton*>(name)->click();
        moves << timeline->startValue().toString("hh:mm:ss") + ' ' +
                     QString::number(timeline->startValue().secsTo(timeline->endValue()));
    }
    QCOMPARE(moves.mid(0, 3), QStringList({"04:00:00 57599", "03:20:01 57599", "04:00:00 57599"}));
    QVERIFY(moves.last().section(' ', 1).toInt() > 57599);
}

QUORVEL_TEST_MAIN(tst_ControlPanel)
#include "tst_ControlPanel.moc"
