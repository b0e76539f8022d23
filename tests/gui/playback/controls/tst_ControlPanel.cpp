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
    QFETCH(int, volume);
    QFETCH(bool, ignored);
    Utils::Keys::panelVolume().remove();
    if (stored.isValid())
        Utils::Settings::instance()->setValue(Utils::Keys::panelVolume().name(), stored);

    TestSupport::MessageCapture log;
    ControlPanel panel;
    QCOMPARE(panel.volume(), volume);
    QCOMPARE(log.contains("Ignored stored volume:"), ignored);
    QVERIFY(!panel.addCamera(nullptr));
}

void tst_ControlPanel::timelineButtonsMoveTheView()
{
    ControlPanel panel;
    panel.resize(900, 90);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    auto* timeline = panel.findChild<QuorvelClient::GUI::Timeline*>();
    const auto click = [&](const char* name) { panel.findChild<QToolButton*>(name)->click(); };
    const auto span = [&] { return timeline->startValue().secsTo(timeline->endValue()); };

    const qint64 day = span();
    click("btnZoomIn");
    click("btnZoomIn");
    QVERIFY(span() < day);
    const QDateTime start = timeline->startValue();
    click("btnScrollEarlier");
    QVERIFY(timeline->startValue() < start);
    click("btnScrollLater");
    click("btnScrollLater");
    QVERIFY(timeline->startValue() > start);
    click("btnZoomOut");
    click("btnZoomOut");
    click("btnZoomOut");
    QCOMPARE(span(), day);
}

QUORVEL_TEST_MAIN(tst_ControlPanel)
#include "tst_ControlPanel.moc"
