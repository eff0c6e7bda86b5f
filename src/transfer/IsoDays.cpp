// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/IsoDays.h"

#include "journal/DayKey.h"

namespace wendle {

namespace {

// A key that names a day and leads back to itself: rolled-over fields (30 February) name another day.
std::optional<QString> convert(const QString& key, const Calendar& from, const Calendar& to)
{
    const std::optional<QDateTime> start = dateForDayKey(key, from);
    if (!start || calendarDayKey(*start, from) != key) {
        return std::nullopt;
    }
    return calendarDayKey(*start, to);
}

} // namespace

IsoDays::IsoDays(const Calendar& calendar)
    : m_calendar(calendar)
    , m_gregorian(Calendar::make(calendar.localeId().section(u'@', 0, 0) + QStringLiteral("@calendar=gregorian"),
                                 calendar.timeZoneId()))
{
}

std::optional<QString> IsoDays::isoDateOf(const QString& dayKey) const
{
    return convert(dayKey, m_calendar, m_gregorian);
}

std::optional<QString> IsoDays::dayKeyOf(const QString& isoDate) const
{
    return convert(isoDate, m_gregorian, m_calendar);
}

} // namespace wendle
