// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PlainButton.h"

#include "ui/Typography.h"

#include <QFocusEvent>
#include <QPainter>

namespace wendle {

PlainButton::PlainButton(const QString& text, int fontSize, const QColor& colour, QWidget* parent)
    : QAbstractButton(parent)
    , m_colour(colour)
{
    setText(text);
    setFont(Typography::font(fontSize));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
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
    QColor colour = m_colour;
    if (isDown()) {
        colour = colour.darker(130);
    }
    painter.setPen(colour);
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text());
    if (hasFocus() && m_keyboardFocus) {
        // Keyboard focus shows as a thin underline in the text's own colour.
        painter.drawLine(0, height() - 1, width(), height() - 1);
    }
}

} // namespace wendle

namespace wendle {

void PlainButton::focusInEvent(QFocusEvent* event)
{
    m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QAbstractButton::focusInEvent(event);
}

void PlainButton::focusOutEvent(QFocusEvent* event)
{
    m_keyboardFocus = false;
    QAbstractButton::focusOutEvent(event);
}

} // namespace wendle
