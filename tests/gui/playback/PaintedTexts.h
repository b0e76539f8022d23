#pragma once

#include <QImage>
#include <QPaintEngine>
#include <QRectF>
#include <QStringList>
#include <QTextItem>
#include <QWidget>

namespace TestSupport {

// One run of text as the painter was given it: where it lies (without clipping) and in what size.
struct PaintedText
{
    QString text;
    QRectF box;
    int pointSize = 0;
};

// The runs of text a widget draws when it paints itself now, in the order they are drawn.
inline QList<PaintedText> paintedTextRuns(QWidget* widget)
{
    struct Recorder : QPaintEngine
    {
        Recorder() : QPaintEngine(QPaintEngine::AllFeatures) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawPath(const QPainterPath&) override {}
        void drawTextItem(const QPointF& at, const QTextItem& item) override
        {
            const QRectF box(at.x(), at.y() - item.ascent(), item.width(), item.ascent() + item.descent());
            runs.append({item.text(), box, item.font().pointSize()});
        }
        Type type() const override { return User; }
        QList<PaintedText> runs;
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
    return device.recorder.runs;
}

// The texts a widget draws when it paints itself now, each run of text as the painter was given it.
inline QStringList paintedTexts(QWidget* widget)
{
    QStringList texts;
    for (const PaintedText& run : paintedTextRuns(widget))
        texts << run.text;
    return texts;
}

} // namespace TestSupport
