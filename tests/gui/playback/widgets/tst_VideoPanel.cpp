#include "gui/playback/widgets/VideoPanel.h"
#include "support/MessageCapture.h"
#include "support/TestEnvironment.h"
#include "utils/SettingsKeys.h"

#include <QComboBox>
#include <QLabel>
#include <QMetaMethod>
#include <QPushButton>
#include <QSignalSpy>

using QuorvelClient::GUI::VideoPanel;

class tst_VideoPanel : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void constructionEmitsNothing();
    void pauseButtonTogglesItsFace();
    void videoStateEnablesTheButtons();
    void qualityLimitKeepsTheUsersChoice_data();
    void qualityLimitKeepsTheUsersChoice();
};

namespace {

// Every signal of the panel by name, in the order emitted.
struct SignalLog : QObject
{
    QStringList names;
    explicit SignalLog(VideoPanel* panel)
    {
        const QMetaObject* meta = panel->metaObject();
        const QMetaMethod record = staticMetaObject.method(staticMetaObject.indexOfSlot("record()"));
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            if (meta->method(i).methodType() == QMetaMethod::Signal)
                connect(panel, meta->method(i), this, record);
        }
    }
    Q_OBJECT
public slots:
    void record() { names << QString::fromLatin1(sender()->metaObject()->method(senderSignalIndex()).name()); }
};

QStringList items(QComboBox* box)
{
    QStringList result;
    for (int i = 0; i < box->count(); ++i)
        result << box->itemText(i);
    return result;
}

} // namespace

void tst_VideoPanel::init()
{
    Utils::Keys::panelQuality().remove();
}

void tst_VideoPanel::constructionEmitsNothing()
{
    // A quality announced while the form is built would also have been saved.
    VideoPanel panel;
    QVERIFY(!Utils::Keys::panelQuality().isStored());
    SignalLog log(&panel);
    QCOMPARE(panel.findChild<QLabel*>("timeLabel")->text(), QString("--:--:--"));
    QCOMPARE(panel.quality(), 2);
    QCOMPARE(panel.volume(), 100);

    // Values outside 0..2 are ignored without a trace; the shown one is not announced again.
    TestSupport::MessageCapture messages;
    panel.setQuality(3);
    panel.setQuality(-1);
    QCOMPARE(messages.messages(), QStringList());
    panel.setQuality(2);
    QCOMPARE(messages.messages(), QStringList({"VideoPanel::setQuality 2"}));
    panel.setVolume(100);
    QCOMPARE(log.names, QStringList());
    panel.setVolume(80);
    QCOMPARE(log.names, QStringList({"volumeChanged"}));
}

void tst_VideoPanel::pauseButtonTogglesItsFace()
{
    VideoPanel panel;
    panel.setVideoState(VideoPanel::LiveVideo);
    auto* pause = panel.findChild<QPushButton*>("btnPause");
    QSignalSpy spy(&panel, &VideoPanel::pause);
    pause->click();
    QCOMPARE(pause->toolTip(), QString("Continue watching"));
    pause->click();
    QCOMPARE(pause->toolTip(), QString("Pause"));
    QCOMPARE(spy.size(), 2);
    QCOMPARE(spy.at(0).at(0).toBool(), true);
    QCOMPARE(spy.at(1).at(0).toBool(), false);

    SignalLog log(&panel);
    panel.setShowPaused(true);
    QCOMPARE(pause->toolTip(), QString("Continue watching"));
    QCOMPARE(log.names, QStringList());
}

void tst_VideoPanel::videoStateEnablesTheButtons()
{
    VideoPanel panel;
    const QStringList playing{"btnLive", "btnRotateRight", "btnPause", "btnSave"};
    const auto enabled = [&](const QStringList& names) {
        QList<bool> result;
        for (const QString& name : names)
            result << panel.findChild<QPushButton*>(name)->isEnabled();
        return result;
    };
    QCOMPARE(enabled(playing + QStringList{"btnExport", "btnSearch"}), QList<bool>(6, false));
    panel.setVideoState(VideoPanel::LiveVideo);
    QCOMPARE(enabled(playing + QStringList{"btnExport", "btnSearch"}),
             QList<bool>({true, true, true, true, false, false}));
    // The same state again changes nothing, whatever happened in between.
    panel.setPauseEnabled(false);
    panel.setVideoState(VideoPanel::LiveVideo);
    QCOMPARE(enabled({"btnPause"}), QList<bool>({false}));
    panel.setExportArchiveEnabled(true);
    panel.setSearchArchiveEnabled(true);
    panel.setVideoState(VideoPanel::NoVideo);
    QCOMPARE(enabled(playing + QStringList{"btnExport", "btnSearch"}), QList<bool>(6, false));
}

void tst_VideoPanel::qualityLimitKeepsTheUsersChoice_data()
{
    // Levels applied in turn; after each: the items, the shown item, whether the box is enabled and how many
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

    VideoPanel panel;
    panel.setQuality(saved);
    auto* box = panel.findChild<QComboBox*>("boxQuality");
    QSignalSpy changes(&panel, &VideoPanel::qualityChanged);
    for (int i = 0; i < levels.size(); ++i) {
        changes.clear();
        panel.setQualityLimit(levels.at(i));
        QCOMPARE(box->currentText(), shown.at(i));
        QCOMPARE(box->count(), itemCounts.at(i));
        QCOMPARE(box->isEnabled(), enabled.at(i));
        QCOMPARE(changes.size(), emitted.at(i));
        QCOMPARE(panel.quality(), box->currentIndex());
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
