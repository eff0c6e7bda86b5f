// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/HeatmapView.h"

#include "history/Statistics.h"
#include "journal/Calendar.h"
#include "journal/Clock.h"

#include <QPainter>

#include <algorithm>
#include <array>

namespace wendle {

namespace {

constexpr int kRows = 7;

/** The fill of a shade, from the lightest (0, no words) to the accent (4), made once. */
const QColor& levelColour(int level)
{
    static const std::array<QColor, 5> colours{
        QColor::fromRgbF(0.925f, 0.929f, 0.902f), QColor::fromRgbF(0.812f, 0.878f, 0.824f),
        QColor::fromRgbF(0.616f, 0.761f, 0.651f), QColor::fromRgbF(0.42f, 0.612f, 0.471f),
        QColor::fromRgbF(0.239f, 0.42f, 0.29f)};
    return colours[std::size_t(std::clamp(level, 0, 4))];
}

} // namespace

HeatmapView::HeatmapView(const Clock& clock, QWidget* parent)
    : QWidget(parent)
    , m_clock(clock)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("activity over the last 26 weeks"));
}

void HeatmapView::setWordsByDay(const QHash<QString, qint64>& wordsByDay)
{
    m_wordsByDay = wordsByDay;
    update();
}

int HeatmapView::levelAt(int column, int row) const
{
    return levels()[std::size_t(column * kRows + row)];
}

std::vector<int> HeatmapView::levels() const
{
    const Calendar calendar = Calendar::current();
    const QDateTime startOfToday = calendar.startOfDay(m_clock.now());
    const int weekdayIndex = calendar.components(startOfToday).weekday - 1;
    std::vector<int> levels;
    levels.reserve(heatmapWeeks * kRows);
    for (const std::optional<QString>& key : heatmapDayKeys(startOfToday, weekdayIndex, calendar)) {
        levels.push_back(key ? heatmapLevel(m_wordsByDay.value(*key, 0)) : -1);
    }
    return levels;
}

QSize HeatmapView::sizeHint() const
{
    return {heatmapWeeks * cellSize + (heatmapWeeks - 1) * gap, kRows * cellSize + (kRows - 1) * gap};
}

void HeatmapView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const std::vector<int> shades = levels();
    for (int column = 0; column < heatmapWeeks; ++column) {
        for (int row = 0; row < kRows; ++row) {
            const int level = shades[std::size_t(column * kRows + row)];
            if (level < 0) {
                continue; // a day still to come: an empty cell of the same size
            }
            painter.setBrush(levelColour(level));
            // A slightly larger radius than asked approximates the continuous corner.
            painter.drawRoundedRect(QRectF(column * (cellSize + gap), row * (cellSize + gap), cellSize, cellSize),
                                    cornerRadius + 0.5, cornerRadius + 0.5);
        }
    }
}

} // namespace wendle
