#pragma once

#include <QPaintDevice>
#include <QPaintEngine>
#include <QStringList>
#include <QWidget>

namespace TestSupport {

// The texts a widget draws when it paints itself now, each run of text as the painter was given it.
inline QStringList paintedTexts(QWidget* widget)
{
    class Recorder : public QPaintEngine
    {
    public:
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
    class Device : public QPaintDevice
    {
    public:
        explicit Device(const QSize& size) : m_size(size) {}
        QPaintEngine* paintEngine() const override { return &m_engine; }
        QStringList texts() const { return m_engine.texts; }

    protected:
        int metric(PaintDeviceMetric metric) const override
        {
            switch (metric) {
            case PdmWidth:
                return m_size.width();
            case PdmHeight:
                return m_size.height();
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY:
                return 96;
            case PdmDepth:
                return 32;
            case PdmDevicePixelRatioScaled:
                return int(devicePixelRatioFScale());
            default:
                return 1;
            }
        }

    private:
        QSize m_size;
        mutable Recorder m_engine;
    };

    Device device(widget->size());
    widget->render(&device);
    return device.texts();
}

} // namespace TestSupport
