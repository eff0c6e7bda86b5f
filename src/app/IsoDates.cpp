// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/IsoDates.h"

#include "journal/DayKey.h"

namespace wendle {

Calendar gregorianIn(const Calendar& calendar)
{
    return Calendar::make(calendar.localeId().section(u'@', 0, 0) + QStringLiteral("@calendar=gregorian"),
                          calendar.timeZoneId());
}

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

std::optional<QString> isoDateOfDayKey(const QString& dayKey, const Calendar& calendar)
{
    return convert(dayKey, calendar, gregorianIn(calendar));
}

std::optional<QString> dayKeyOfIsoDate(const QString& isoDate, const Calendar& calendar)
{
    return convert(isoDate, gregorianIn(calendar), calendar);
}

} // namespace wendle
