#pragma once

#include <QImage>
#include <QPaintEngine>
#include <QStringList>
#include <QWidget>

namespace TestSupport {

// The texts a widget draws when it paints itself now, each run of text as the painter was given it.
inline QStringList paintedTexts(QWidget* widget)
{
    struct Recorder : QPaintEngine
    {
        Recorder() : QPaintEngine(QPaintEngine::AllFeatures) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF&, const QTextItem& item) override { texts << item.text(); }
        Type type() const override { return User; }
        QStringList texts;
    };
    // An image's size and metrics, painted through the recorder.
    struct Device : QImage
    {
        using QImage::QImage;
        QPaintEngine* paintEngine() const override { return &recorder; }
        mutable Recorder recorder;
    };
    Device device(widget->size(), QImage::Format_ARGB32_Premultiplied);
    widget->render(&device);
    return device.recorder.texts;
}

} // namespace TestSupport
