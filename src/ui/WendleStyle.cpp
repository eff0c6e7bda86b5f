// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WendleStyle.h"

#include "ui/MessageBox.h"
#include "ui/Palette.h"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionSlider>

namespace wendle {

namespace {

constexpr int kMinimumHandleLength = 28;
/** Space between the handle and the far edge of the bar. */
constexpr int kOuterGap = 2;

/** The handle's span along the bar, proportional to the visible part of the content. */
QRect handleSpan(const QStyleOptionSlider& bar)
{
    const bool horizontal = bar.orientation == Qt::Horizontal;
    const int length = horizontal ? bar.rect.width() : bar.rect.height();
    int handle = length;
    const qint64 range = qint64(bar.maximum) - bar.minimum;
    if (range > 0) {
        handle = int(qint64(length) * bar.pageStep / (range + bar.pageStep));
        handle = std::clamp(handle, std::min(kMinimumHandleLength, length), length);
    }
    const int start = QStyle::sliderPositionFromValue(bar.minimum, bar.maximum, bar.sliderPosition, length - handle,
                                                      bar.upsideDown);
    return horizontal ? QRect(bar.rect.left() + start, bar.rect.top(), handle, bar.rect.height())
                      : QRect(bar.rect.left(), bar.rect.top() + start, bar.rect.width(), handle);
}

} // namespace

WendleStyle::WendleStyle()
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
{
}

int WendleStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    case PM_ScrollBarExtent:
        return scrollBarExtent;
    case PM_ScrollBarSliderMin:
        return kMinimumHandleLength;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

int WendleStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                           QStyleHintReturn* returnData) const
{
    switch (hint) {
    case SH_DialogButtonBox_ButtonsHaveIcons:
        return 0;
    default:
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
}

QRect WendleStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
                                  const QWidget* widget) const
{
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || !bar) {
        return QProxyStyle::subControlRect(control, option, subControl, widget);
    }
    const QRect handle = handleSpan(*bar);
    const bool horizontal = bar->orientation == Qt::Horizontal;
    QRect result;
    switch (subControl) {
    case SC_ScrollBarSlider:
        result = handle;
        break;
    case SC_ScrollBarGroove:
        result = bar->rect;
        break;
    case SC_ScrollBarSubPage:
        result = horizontal ? QRect(bar->rect.topLeft(), QPoint(handle.left() - 1, bar->rect.bottom()))
                            : QRect(bar->rect.topLeft(), QPoint(bar->rect.right(), handle.top() - 1));
        break;
    case SC_ScrollBarAddPage:
        result = horizontal ? QRect(QPoint(handle.right() + 1, bar->rect.top()), bar->rect.bottomRight())
                            : QRect(QPoint(bar->rect.left(), handle.bottom() + 1), bar->rect.bottomRight());
        break;
    default:
        // No arrow buttons, no first and last buttons.
        return {};
    }
    return visualRect(bar->direction, bar->rect, result);
}

void WendleStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                     const QWidget* widget) const
{
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || !bar) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    // The groove stays transparent; only the handle is drawn, and only when there is something to scroll.
    if (bar->maximum <= bar->minimum) {
        return;
    }
    const bool hovered = bar->state & State_MouseOver;
    const bool dragged = (bar->state & State_Sunken) && (bar->activeSubControls & SC_ScrollBarSlider);
    const int thickness = hovered || dragged ? hoveredHandleWidth : handleWidth;
    QRectF handle = subControlRect(CC_ScrollBar, option, SC_ScrollBarSlider, widget);
    // Against the far edge, leaving the gap on the content's side.
    if (bar->orientation == Qt::Horizontal) {
        handle.setTop(handle.bottom() + 1 - kOuterGap - thickness);
        handle.setHeight(thickness);
        handle.adjust(1, 0, -1, 0);
    } else {
        const bool leftToRight = bar->direction != Qt::RightToLeft;
        handle.setLeft(leftToRight ? handle.right() + 1 - kOuterGap - thickness : handle.left() + kOuterGap);
        handle.setWidth(thickness);
        handle.adjust(0, 1, 0, -1);
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(dragged ? Palette::muted() : Palette::faint());
    painter->drawRoundedRect(handle, thickness / 2.0, thickness / 2.0);
    painter->restore();
}

QIcon WendleStyle::standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const
{
    switch (icon) {
    case SP_MessageBoxInformation:
        return themeIcon(MessageKind::information);
    case SP_MessageBoxQuestion:
        return themeIcon(MessageKind::question);
    case SP_MessageBoxWarning:
        return themeIcon(MessageKind::warning);
    case SP_MessageBoxCritical:
        return themeIcon(MessageKind::critical);
    default:
        break;
    }
    const bool dialogButton = (icon >= SP_DialogOkButton && icon <= SP_DialogNoButton)
        || (icon >= SP_DialogYesToAllButton && icon <= SP_DialogIgnoreButton);
    return dialogButton ? QIcon() : QProxyStyle::standardIcon(icon, option, widget);
}

} // namespace wendle
