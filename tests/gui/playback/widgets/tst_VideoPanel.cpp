#include "gui/playback/widgets/VideoPanel.h"
#include "support/TestEnvironment.h"
#include "utils/SettingsKeys.h"

#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>

using QuorvelClient::GUI::VideoPanel;

class tst_VideoPanel : public QObject
{
    Q_OBJECT
private slots:
    void repeatedVideoStateChangesNothing();
    void qualityLimitKeepsTheUsersChoice_data();
    void qualityLimitKeepsTheUsersChoice();
};

void tst_VideoPanel::repeatedVideoStateChangesNothing()
{
    VideoPanel panel;
    auto* pause = panel.findChild<QPushButton*>("btnPause");
    panel.setVideoState(VideoPanel::LiveVideo);
    QVERIFY(pause->isEnabled());
    panel.setPauseEnabled(false);
    panel.setVideoState(VideoPanel::LiveVideo);
    QVERIFY(!pause->isEnabled());
}

void tst_VideoPanel::qualityLimitKeepsTheUsersChoice_data()
{
    // Levels applied in turn; after each: the shown item, the item count, whether the box is enabled and how many
    // qualityChanged() came.
    QTest::addColumn<int>("saved");
    QTest::addColumn<QList<int>>("levels");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QList<int>>("itemCounts");
    QTest::addColumn<QList<bool>>("enabled");
    QTest::addColumn<QList<int>>("emitted");

    QTest::newRow("high saved: 1, 2, 0") << 2 << QList<int>{1, 2, 0} << QStringList{"Middle", "Low", "High"}
                                         << QList<int>{2, 2, 3} << QList<bool>{true, false, true}
                                         << QList<int>{1, 1, 1};
    QTest::newRow("low saved: 1") << 0 << QList<int>{1} << QStringList{"Low"} << QList<int>{2} << QList<bool>{true}
                                  << QList<int>{0};
    QTest::newRow("1, 2, 1 removes once")
        << 2 << QList<int>{1, 2, 1} << QStringList{"Middle", "Low", "Middle"} << QList<int>{2, 2, 2}
        << QList<bool>{true, false, true} << QList<int>{1, 1, 1};
    QTest::newRow("same level twice") << 2 << QList<int>{0, 0} << QStringList{"High", "High"} << QList<int>{3, 3}
                                      << QList<bool>{true, true} << QList<int>{0, 0};
}

void tst_VideoPanel::qualityLimitKeepsTheUsersChoice()
{
    QFETCH(int, saved);
    QFETCH(QList<int>, levels);
    QFETCH(QStringList, shown);
    QFETCH(QList<int>, itemCounts);
    QFETCH(QList<bool>, enabled);
    QFETCH(QList<int>, emitted);

    Utils::Keys::panelQuality().remove();
    VideoPanel panel;
    // A quality announced while the form is built would have been saved.
    QVERIFY(!Utils::Keys::panelQuality().isStored());
    panel.setQuality(saved);
    // Values outside 0..2 are ignored.
    panel.setQuality(3);
    panel.setQuality(-1);
    auto* box = panel.findChild<QComboBox*>("boxQuality");
    QSignalSpy changes(&panel, &VideoPanel::qualityChanged);
    for (int i = 0; i < levels.size(); ++i) {
        changes.clear();
        panel.setQualityLimit(levels.at(i));
        QCOMPARE(box->currentText(), shown.at(i));
        QCOMPARE(box->count(), itemCounts.at(i));
        QCOMPARE(box->isEnabled(), enabled.at(i));
        QCOMPARE(changes.size(), emitted.at(i));
    }
    // A limit never touches the saved choice.
    QCOMPARE(Utils::Keys::panelQuality().value(), saved);

    // The user's own pick under a limit is saved and comes back when the limit is lifted.
    if (box->isEnabled() && box->count() == 2) {
        box->setCurrentIndex(0);
        QCOMPARE(Utils::Keys::panelQuality().value(), 0);
        panel.setQualityLimit(0);
        QCOMPARE(box->currentText(), QString("Low"));
    }
}

QUORVEL_TEST_MAIN(tst_VideoPanel)
#include "tst_VideoPanel.moc"
