// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FilledButton.h"

#include "ui/Palette.h"

#include <QPainter>

namespace wendle {

namespace {
constexpr int kPaddingX = 18;
constexpr int kPaddingY = 9;
constexpr qreal kRadius = 8;
} // namespace

FilledButton::FilledButton(const QString& text, int fontSize, QWidget* parent)
    : QuietButton(text, fontSize, parent)
    , m_fill(Palette::ink())
    , m_textColour(Palette::paper())
    , m_paddingX(kPaddingX)
    , m_paddingY(kPaddingY)
    , m_radius(kRadius)
{
}

void FilledButton::setCornerRadius(qreal radius)
{
    m_radius = radius;
    update();
}

void FilledButton::setPadding(int horizontal, int vertical)
{
    m_paddingX = horizontal;
    m_paddingY = vertical;
    updateGeometry();
}

void FilledButton::setColours(const QColor& fill, const QColor& textColour)
{
    m_fill = fill;
    m_textColour = textColour;
    update();
}

QSize FilledButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 2 * m_paddingX, metrics.height() + 2 * m_paddingY};
}

void FilledButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = m_fill;
    if (isDown()) {
        fill = fill.lighter(125);
    } else if (!isEnabled()) {
        fill.setAlphaF(0.5f);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    // A slightly larger radius than asked approximates the continuous corner.
    painter.drawRoundedRect(QRectF(rect()), m_radius + 1, m_radius + 1);
    painter.setPen(m_textColour);
    painter.drawText(rect(), Qt::AlignCenter, text());
    if (showsFocusMark()) {
        QPen ring(Palette::accentWash(), 1.5);
        painter.setPen(ring);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(2, 2, -2, -2), m_radius - 1, m_radius - 1);
    }
}

} // namespace wendle
