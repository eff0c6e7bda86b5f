// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PlainButton.h"

#include "ui/Palette.h"

#include <QPainter>

namespace wendle {

PlainButton::PlainButton(const QString& text, int fontSize, const QColor& colour, QWidget* parent)
    : QuietButton(text, fontSize, parent)
    , m_colour(colour)
{
}

void PlainButton::setColour(const QColor& colour)
{
    m_colour = colour;
    update();
}

QSize PlainButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()), metrics.height()};
}

void PlainButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Disabled, whatever its own colour, the button fades to the faint notes' colour.
    QColor colour = isEnabled() ? m_colour : Palette::faint();
    if (isDown()) {
        colour = colour.darker(130);
    }
    painter.setPen(colour);
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text());
    if (showsFocusMark()) {
        // Keyboard focus shows as a thin underline in the text's own colour.
        painter.drawLine(0, height() - 1, width(), height() - 1);
    }
}

} // namespace wendle
