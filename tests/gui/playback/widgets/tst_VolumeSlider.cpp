#define QTEST_QPA_MOUSE_HANDLING

#include "gui/playback/widgets/VolumeSlider.h"
#include "support/TestEnvironment.h"

#include <QWheelEvent>

using QuorvelClient::GUI::VolumeSlider;

class tst_VolumeSlider : public QObject
{
    Q_OBJECT
private slots:
    void pointerSetsTheValueUnderIt_data();
    void pointerSetsTheValueUnderIt();
    void dragOutOfTheZoneRestoresThePressValue();
    void wheelMovesByTheStepPerNotch();
    void colourTextFillsTheWedge_data();
    void colourTextFillsTheWedge();
};

namespace {

// Every signal of the slider in the order it came, as "pressed", "value 40", "moved 40", "released".
struct SignalLog
{
    QStringList events;
    explicit SignalLog(VolumeSlider* slider)
    {
        QObject::connect(slider, &VolumeSlider::sliderPressed, [this] { events << "pressed"; });
        QObject::connect(slider, &VolumeSlider::valueChanged, [this](int v) { events << QString("value %1").arg(v); });
        QObject::connect(slider, &VolumeSlider::sliderMoved, [this](int v) { events << QString("moved %1").arg(v); });
        QObject::connect(slider, &VolumeSlider::sliderReleased, [this] { events << "released"; });
    }
};

} // namespace

void tst_VolumeSlider::pointerSetsTheValueUnderIt_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("value");
    QTest::newRow("left of the track") << 0 << 0;
    QTest::newRow("middle") << 43 << 100;
    QTest::newRow("right of the track") << 84 << 200;
}

void tst_VolumeSlider::pointerSetsTheValueUnderIt()
{
    QFETCH(int, x);
    QFETCH(int, value);
    VolumeSlider slider(nullptr, 5, false, "");
    slider.setValue(50);
    slider.show();
    QVERIFY(QTest::qWaitForWindowExposed(&slider));
    SignalLog log(&slider);

    // Hovering tells the value; the right button does nothing at all.
    QTest::mouseMove(&slider, QPoint(x, 10));
    QTRY_COMPARE(slider.toolTip(), QString("%1  %").arg(value));
    QTest::mousePress(&slider, Qt::RightButton, {}, QPoint(x, 10));
    QTest::mouseRelease(&slider, Qt::RightButton, {}, QPoint(x, 10));
    QCOMPARE(log.events, QStringList());

    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(x, 10));
    QCOMPARE(log.events, QStringList({"pressed", QString("value %1").arg(value), QString("moved %1").arg(value)}));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(x, 10));
    QCOMPARE(slider.value(), value);
}

void tst_VolumeSlider::dragOutOfTheZoneRestoresThePressValue()
{
    QWidget host;
    host.resize(300, 100);
    VolumeSlider slider(&host, 5, false, "");
    slider.move(100, 30);
    slider.setValue(100);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    SignalLog log(&slider);
    const auto drag = [&](const QList<int>& xs) {
        log.events.clear();
        QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(xs.first(), 10));
        for (int x : xs.mid(1))
            QTest::mouseMove(&slider, QPoint(x, 10));
        QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(xs.last(), 10));
    };

    // 98 lies past the zone's right edge (97): the press value comes back, once, and no release is reported.
    drag({23, 63, 98, 120});
    QCOMPARE(log.events, QStringList({"pressed", "value 50", "moved 50", "value 150", "moved 150", "value 100"}));
    drag({43, 53});
    QCOMPARE(log.events, QStringList({"pressed", "moved 100", "value 125", "moved 125", "released", "moved 125"}));
}

void tst_VolumeSlider::wheelMovesByTheStepPerNotch()
{
    VolumeSlider slider(nullptr, 5, false, "");
    slider.setValue(100);
    SignalLog log(&slider);
    // Fine wheels add up to whole notches, a turn back cancels what was left over, and the range holds.
    for (const auto& [delta, value] :
         QList<std::pair<int, int>>{{120, 105}, {50, 105}, {50, 105}, {50, 110}, {-360, 100}, {3600, 200}}) {
        QWheelEvent event(QPointF(40, 10), QPointF(40, 10), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&slider, &event);
        QCOMPARE(slider.value(), value);
    }
    QCOMPARE(log.events.mid(0, 3), QStringList({"value 105", "released", "moved 105"}));
}

void tst_VolumeSlider::colourTextFillsTheWedge_data()
{
    // The last two colours are alike, so that the right part of the wedge shows that one colour.
    QTest::addColumn<QByteArray>("colors");
    QTest::addColumn<QColor>("fill");
    QTest::newRow("twelve numbers") << QByteArray("1;2;3;4;5;6;100;150;200;100;150;200") << QColor(100, 150, 200);
    QTest::newRow("missing parts read 255") << QByteArray("1;2;3;4;5;6") << QColor(255, 255, 255);
    QTest::newRow("stray text reads 0") << QByteArray("1;2;3;4;5;6;x;0;y;0;;0") << QColor(0, 0, 0);
}

void tst_VolumeSlider::colourTextFillsTheWedge()
{
    QFETCH(QByteArray, colors);
    QFETCH(QColor, fill);
    const QPoint right(70, 14);
    VolumeSlider slider(nullptr, 5, false, colors);
    const QColor empty = slider.grab().toImage().pixelColor(right);
    slider.setValue(200);
    const QColor seen = slider.grab().toImage().pixelColor(right);
    QVERIFY2(qAbs(seen.red() - fill.red()) + qAbs(seen.green() - fill.green()) + qAbs(seen.blue() - fill.blue()) < 16,
             qPrintable(seen.name()));
    // At 100 the fill ends at x = 43.
    slider.setValue(100);
    QCOMPARE(slider.grab().toImage().pixelColor(right), empty);
}

QUORVEL_TEST_MAIN(tst_VolumeSlider)
#include "tst_VolumeSlider.moc"
