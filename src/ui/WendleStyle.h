// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProxyStyle>

namespace wendle {

/**
 * Fusion with Wendle's own touches, installed app-wide: thin scroll bars without arrow buttons (a rounded handle
 * in `Palette::faint` on no groove, wider under the pointer), and no icons Qt would draw from its own built-in
 * set: message boxes show the desktop theme's icon or none, and dialog buttons show only their text.
 */
class WendleStyle : public QProxyStyle
{
    Q_OBJECT

public:
    WendleStyle();

    /** The width a scroll bar takes beside the text, with a clear gap before its handle. */
    static constexpr int scrollBarExtent = 14;
    static constexpr int handleWidth = 6;
    static constexpr int hoveredHandleWidth = 10;

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
                         const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

} // namespace wendle
