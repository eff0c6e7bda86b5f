// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Pill.h"

#include "ui/Palette.h"
#include "ui/Typography.h"

#include <QPainter>

namespace wendle {

namespace {
constexpr int kPaddingX = 10;
constexpr int kPaddingY = 4;
} // namespace

Pill::Pill(const QString& text, QWidget* parent)
    : QWidget(parent)
    , m_text(text)
{
    setFont(Typography::font(12));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text);
}

void Pill::setText(const QString& text)
{
    if (text == m_text) {
        return;
    }
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

QSize Pill::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(m_text) + 2 * kPaddingX, metrics.height() + 2 * kPaddingY};
}

void Pill::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule = QRectF(rect());
    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::accentWash());
    painter.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
    painter.setPen(Palette::accent());
    painter.drawText(rect(), Qt::AlignCenter, m_text);
}

} // namespace wendle
