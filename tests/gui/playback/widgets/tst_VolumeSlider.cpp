#define QTEST_QPA_MOUSE_HANDLING

#include "gui/playback/widgets/VolumeSlider.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>
#include <QWheelEvent>

using QuorvelClient::GUI::VolumeSlider;

class tst_VolumeSlider : public QObject
{
    Q_OBJECT
private slots:
    void pressSetsTheValueUnderThePointer_data();
    void pressSetsTheValueUnderThePointer();
    void hoverTellsTheValueUnderThePointer();
    void dragOutOfTheZoneRestoresThePressValue();
    void wheelMovesByTheStepPerNotch();
    void colourTextFillsTheWedge_data();
    void colourTextFillsTheWedge();
};

namespace {

const QByteArray kColors("255;255;255;20;210;20;255;199;15;245;39;29");

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

void wheel(QWidget* widget, int delta)
{
    QWheelEvent event(QPointF(40, 10), widget->mapToGlobal(QPointF(40, 10)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

} // namespace

void tst_VolumeSlider::pressSetsTheValueUnderThePointer_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("value");
    QTest::newRow("track start") << 3 << 0;
    QTest::newRow("middle") << 43 << 100;
    QTest::newRow("track end") << 83 << 200;
    QTest::newRow("left of the track") << 0 << 0;
    QTest::newRow("right of the track") << 84 << 200;
}

void tst_VolumeSlider::pressSetsTheValueUnderThePointer()
{
    QFETCH(int, x);
    QFETCH(int, value);
    VolumeSlider slider(nullptr, 5, false, kColors);
    slider.setValue(50);
    slider.show();
    QVERIFY(QTest::qWaitForWindowExposed(&slider));
    QCOMPARE(slider.size(), QSize(85, 26));
    SignalLog log(&slider);

    // The right button does nothing at all.
    QTest::mousePress(&slider, Qt::RightButton, {}, QPoint(x, 10));
    QTest::mouseRelease(&slider, Qt::RightButton, {}, QPoint(x, 10));
    QCOMPARE(log.events, QStringList());

    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(x, 10));
    QCOMPARE(slider.value(), value);
    QCOMPARE(log.events, QStringList({"pressed", QString("value %1").arg(value), QString("moved %1").arg(value)}));
    QVERIFY(!slider.isSliderDown());
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(x, 10));
    QCOMPARE(slider.value(), value);
}

void tst_VolumeSlider::hoverTellsTheValueUnderThePointer()
{
    VolumeSlider slider(nullptr, 5, false, kColors);
    slider.show();
    QVERIFY(QTest::qWaitForWindowExposed(&slider));
    const QList<QPair<int, QString>> rows{{0, "0  %"}, {43, "100  %"}, {84, "200  %"}};
    for (const auto& row : rows) {
        QTest::mouseMove(&slider, QPoint(row.first, 10));
        QTRY_COMPARE(slider.toolTip(), row.second);
    }
    QCOMPARE(slider.value(), 0);
}

void tst_VolumeSlider::dragOutOfTheZoneRestoresThePressValue()
{
    QWidget host;
    host.resize(300, 100);
    VolumeSlider slider(&host, 5, false, kColors);
    slider.move(100, 30);
    slider.setValue(100);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    SignalLog log(&slider);

    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(23, 10));
    QTest::mouseMove(&slider, QPoint(63, 10));
    QCOMPARE(slider.value(), 150);
    // 98 lies past the zone's right edge (97): the press value comes back, once.
    QTest::mouseMove(&slider, QPoint(98, 10));
    QTest::mouseMove(&slider, QPoint(120, 10));
    QCOMPARE(slider.value(), 100);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(120, 10));
    QCOMPARE(log.events, QStringList({"pressed", "value 50", "moved 50", "value 150", "moved 150", "value 100"}));

    // A drag that ends inside the zone with a new value reports its release.
    log.events.clear();
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(43, 10));
    QTest::mouseMove(&slider, QPoint(53, 10));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(53, 10));
    QCOMPARE(slider.value(), 125);
    QCOMPARE(log.events, QStringList({"pressed", "moved 100", "value 125", "moved 125", "released", "moved 125"}));
}

void tst_VolumeSlider::wheelMovesByTheStepPerNotch()
{
    VolumeSlider slider(nullptr, 5, false, kColors);
    slider.setValue(100);
    SignalLog log(&slider);
    wheel(&slider, 120);
    QCOMPARE(slider.value(), 105);
    QCOMPARE(log.events, QStringList({"value 105", "released", "moved 105"}));
    // Fine wheels add up to whole notches.
    wheel(&slider, 50);
    wheel(&slider, 50);
    QCOMPARE(slider.value(), 105);
    wheel(&slider, 50);
    QCOMPARE(slider.value(), 110);
    // A turn back cancels what was left over.
    wheel(&slider, -360);
    QCOMPARE(slider.value(), 100);
    slider.setValue(198);
    wheel(&slider, 240);
    QCOMPARE(slider.value(), 200);
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
    QVERIFY2(qAbs(seen.red() - fill.red()) < 8 && qAbs(seen.green() - fill.green()) < 8 &&
                 qAbs(seen.blue() - fill.blue()) < 8,
             qPrintable(seen.name()));
    // At 100 the fill ends at x = 43.
    slider.setValue(100);
    QCOMPARE(slider.grab().toImage().pixelColor(right), empty);
}

QUORVEL_TEST_MAIN(tst_VolumeSlider)
#include "tst_VolumeSlider.moc"
