// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/StreakLine.h"

#include "ui/Palette.h"
#include "ui/Typography.h"

#include <QPainter>

namespace wendle {

namespace {

const QFont& numberFont()
{
    static const QFont font = Typography::font(34, QFont::DemiBold);
    return font;
}

const QFont& captionFont()
{
    static const QFont font = Typography::font(12);
    return font;
}

} // namespace

StreakLine::StreakLine(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFigures(0, 0, 0);
}

void StreakLine::setFigures(qint64 currentStreak, qint64 bestStreak, int daysThisWeek)
{
    m_number = QString::number(currentStreak);
    m_caption = tr("day streak · best %1 · %2 of 7 this week").arg(bestStreak).arg(daysThisWeek);
    setAccessibleName(m_number + u' ' + m_caption);
    updateGeometry();
    update();
}

QSize StreakLine::sizeHint() const
{
    const QFontMetrics number(numberFont());
    const QFontMetrics caption(captionFont());
    return {number.horizontalAdvance(m_number) + spacing + caption.horizontalAdvance(m_caption),
            number.ascent() + std::max(number.descent(), caption.descent())};
}

void StreakLine::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QFontMetrics number(numberFont());
    const int baseline = number.ascent();
    painter.setFont(numberFont());
    painter.setPen(Palette::ink());
    painter.drawText(QPoint(0, baseline), m_number);
    painter.setFont(captionFont());
    painter.setPen(Palette::muted());
    painter.drawText(QPoint(number.horizontalAdvance(m_number) + spacing, baseline), m_caption);
}

} // namespace wendle
