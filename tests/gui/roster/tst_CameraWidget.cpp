#include "gui/roster/CameraWidget.h"
#include "peer/FakeVideoServer.h"
#include "support/TestEnvironment.h"

#include <QBuffer>
#include <QLabel>
#include <QSignalSpy>

class tst_CameraWidget : public QObject
{
    Q_OBJECT
private slots:
    void announcesShownPeriods();
    void showsJpegPreviewsOnly();
};

void tst_CameraWidget::announcesShownPeriods()
{
    CameraWidget widget("Gate", "", true);
    QSignalSpy on(&widget, &CameraWidget::previewOn);
    QSignalSpy off(&widget, &CameraWidget::previewOff);
    // Hidden before it was ever painted: nothing to announce. Painted again while shown: nothing new.
    QHideEvent hide;
    QCoreApplication::sendEvent(&widget, &hide);
    widget.show();
    QTRY_COMPARE(on.count(), 1);
    widget.repaint();
    QCOMPARE(on.count(), 1);
    widget.hide();
    widget.show();
    QTRY_COMPARE(on.count(), 2);
    QCOMPARE(off.count(), 1);
}

void tst_CameraWidget::showsJpegPreviewsOnly()
{
    CameraWidget widget("Gate", "", true);
    auto* preview = widget.findChild<QLabel*>("preview");
    const QImage defaultImage = preview->pixmap().toImage();
    const QByteArray jpeg = TestSupport::FakeVideoServer::previewJpeg(1);
    QByteArray png;
    QBuffer buffer(&png);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && QImage::fromData(jpeg).save(&buffer, "PNG"));

    // Only a whole JPEG replaces the picture; empty bytes bring the default back once there was one.
    for (const QByteArray& refused : {QByteArray(), png, jpeg.left(jpeg.size() / 2)})
        QVERIFY(!widget.setPreview(refused));
    QCOMPARE(preview->pixmap().toImage(), defaultImage);
    QVERIFY(widget.setPreview(jpeg));
    QCOMPARE(preview->pixmap().toImage(), QImage::fromData(jpeg).convertToFormat(defaultImage.format()));
    QVERIFY(widget.setPreview(QByteArray()));
    QCOMPARE(preview->pixmap().toImage(), defaultImage);
}

QUORVEL_TEST_MAIN(tst_CameraWidget)
#include "tst_CameraWidget.moc"
