// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SwitchToggle.h"

#include "ui/Palette.h"
#include "ui/Typography.h"

#include <QPainter>
#include <QPainterPath>

namespace wendle {

namespace {

constexpr int kTrackWidth = 32;
constexpr int kTrackHeight = 18;
constexpr int kKnobInset = 2;

} // namespace

SwitchToggle::SwitchToggle(const QString& text, int fontSize, QWidget* parent)
    : QAbstractButton(parent)
{
    setText(text);
    setAccessibleName(text);
    setCheckable(true);
    setFont(Typography::font(fontSize));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize SwitchToggle::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 12 + kTrackWidth, std::max(metrics.height(), kTrackHeight)};
}

void SwitchToggle::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Disabled, the text fades to the faint notes' colour as other disabled controls do, and the switch with it.
    painter.setPen(isEnabled() ? Palette::ink() : Palette::faint());
    painter.drawText(rect().adjusted(0, 0, -(kTrackWidth + 12), 0), Qt::AlignLeft | Qt::AlignVCenter, text());
    if (!isEnabled()) {
        painter.setOpacity(0.45);
    }

    const QRectF track(width() - kTrackWidth, (height() - kTrackHeight) / 2.0, kTrackWidth, kTrackHeight);
    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? Palette::accent() : Palette::hairline());
    painter.drawRoundedRect(track, kTrackHeight / 2.0, kTrackHeight / 2.0);
    const qreal knob = kTrackHeight - 2 * kKnobInset;
    const qreal x = isChecked() ? track.right() - kKnobInset - knob : track.left() + kKnobInset;
    // Off, the pale track needs the knob's edge drawn to be seen.
    painter.setPen(isChecked() ? Qt::NoPen : QPen(Palette::faint(), 1));
    painter.setBrush(Palette::paper());
    painter.drawEllipse(QRectF(x, track.top() + kKnobInset, knob, knob));
    if (hasFocus()) {
        painter.setPen(QPen(Palette::muted(), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-2, -2, 2, 2), kTrackHeight / 2.0 + 2, kTrackHeight / 2.0 + 2);
    }
}

} // namespace wendle
