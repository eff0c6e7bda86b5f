// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/TextSize.h"

#include "journal/Preferences.h"

#include <algorithm>

namespace wendle {

TextSize& TextSize::shared()
{
    static TextSize size;
    return size;
}

TextSize::TextSize()
    : m_points(std::clamp(Preferences().value(PreferenceKeys::textSize), smallest, largest))
{
}

void TextSize::setPoints(int points)
{
    points = std::clamp(points, smallest, largest);
    if (points == m_points) {
        return;
    }
    m_points = points;
    Preferences().setValue(PreferenceKeys::textSize, points);
    Q_EMIT changed();
}

int TextSize::scaled(int atStandard) const
{
    return (atStandard * m_points + standard / 2) / standard;
}

} // namespace wendle
