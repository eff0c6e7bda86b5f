// SPDX-License-Identifier: GPL-3.0-or-later
#include "DrawnText.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QWidget>

namespace wendle::gallery {
namespace {

/** A paint engine that draws nothing and keeps the text it is asked to draw. */
class TextRecordingEngine final : public QPaintEngine
{
public:
    TextRecordingEngine()
        : QPaintEngine(QPaintEngine::AllFeatures)
    {
    }

    QStringList texts;

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override { }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { }
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override { }
    void drawPath(const QPainterPath&) override { }
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override { }
    void drawPolygon(const QPoint*, int, PolygonDrawMode) override { }
    void drawTextItem(const QPointF&, const QTextItem& item) override
    {
        if (!item.text().trimmed().isEmpty()) {
            texts.append(item.text());
        }
    }
    Type type() const override { return QPaintEngine::User; }
};

/** A device the size of the widget, with the screen's resolution, so that text is laid out as on screen. */
class TextRecorder final : public QPaintDevice
{
public:
    explicit TextRecorder(const QWidget& widget)
        : m_widget(widget)
    {
    }

    mutable TextRecordingEngine engine;

    QPaintEngine* paintEngine() const override { return &engine; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return m_widget.width();
        case PdmHeight:
            return m_widget.height();
        case PdmWidthMM:
            return m_widget.widthMM();
        case PdmHeightMM:
            return m_widget.heightMM();
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        case PdmDpiX:
            return m_widget.logicalDpiX();
        case PdmDpiY:
            return m_widget.logicalDpiY();
        case PdmPhysicalDpiX:
            return m_widget.physicalDpiX();
        case PdmPhysicalDpiY:
            return m_widget.physicalDpiY();
        case PdmNumColors:
            return m_widget.colorCount();
        default:
            return m_widget.depth();
        }
    }

private:
    const QWidget& m_widget;
};

} // namespace

QStringList drawnText(QWidget& widget)
{
    TextRecorder recorder(widget);
    widget.render(&recorder);
    return recorder.engine.texts;
}

} // namespace wendle::gallery
