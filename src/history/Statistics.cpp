// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/Statistics.h"

#include "history/GregorianDays.h"
#include "journal/DayKey.h"

#include <algorithm>

namespace wendle {

namespace {

std::optional<QDateTime> dayBefore(const QDateTime& date, const Calendar& calendar)
{
    return calendar.adding(Calendar::Unit::day, -1, date);
}

std::optional<QDateTime> dayAfter(const QDateTime& date, const Calendar& calendar)
{
    return calendar.adding(Calendar::Unit::day, 1, date);
}

} // namespace

namespace detail {

qint64 currentStreakByCalendar(const QSet<QString>& writtenDays, const QString& todayKey, const Calendar& calendar)
{
    const std::optional<QDateTime> today = dateForDayKey(todayKey, calendar);
    if (!today) {
        return 0;
    }
    std::optional<QDateTime> date = writtenDays.contains(todayKey) ? today : dayBefore(*today, calendar);
    qint64 count = 0;
    while (date && writtenDays.contains(calendarDayKey(*date, calendar))) {
        ++count;
        date = dayBefore(*date, calendar);
    }
    return count;
}

qint64 bestStreakByCalendar(const QSet<QString>& writtenDays, const Calendar& calendar)
{
    qint64 best = 0;
    for (const QString& key : writtenDays) {
        const std::optional<QDateTime> first = dateForDayKey(key, calendar);
        if (!first) {
            continue;
        }
        const std::optional<QDateTime> before = dayBefore(*first, calendar);
        if (before && writtenDays.contains(calendarDayKey(*before, calendar))) {
            continue; // not the first day of its run: the run is measured from its start
        }
        qint64 run = 0;
        std::optional<QDateTime> date = first;
        while (date && writtenDays.contains(calendarDayKey(*date, calendar))) {
            ++run;
            date = dayAfter(*date, calendar);
        }
        best = std::max(best, run);
    }
    return best;
}

int daysWrittenThisWeekByCalendar(const QSet<QString>& writtenDays, const QString& todayKey, const Calendar& calendar)
{
    const std::optional<QDateTime> today = dateForDayKey(todayKey, calendar);
    if (!today) {
        return 0;
    }
    const std::optional<DateInterval> week = calendar.weekInterval(*today);
    if (!week) {
        return 0;
    }
    int count = 0;
    for (std::optional<QDateTime> date = week->start; date && *date < week->end; date = dayAfter(*date, calendar)) {
        if (writtenDays.contains(calendarDayKey(*date, calendar))) {
            ++count;
        }
    }
    return count;
}

} // namespace detail

qint64 currentStreak(const QSet<QString>& writtenDays, const QString& todayKey, const Calendar& calendar)
{
    if (const std::optional<int> offset = calendar.gregorianYearOffset()) {
        const GregorianDays days(*offset);
        const GregorianDays::Parsed today = days.parse(todayKey);
        if (today.result == GregorianDays::Parse::none) {
            return 0;
        }
        const std::optional<GregorianDaySet> written = GregorianDaySet::of(writtenDays, days);
        if (today.result == GregorianDays::Parse::day && written) {
            qint64 day = writtenDays.contains(todayKey) ? today.day : today.day - 1;
            qint64 count = 0;
            while (written->contains(day)) {
                ++count;
                --day;
            }
            return count;
        }
    }
    return detail::currentStreakByCalendar(writtenDays, todayKey, calendar);
}

qint64 bestStreak(const QSet<QString>& writtenDays, const Calendar& calendar)
{
    if (const std::optional<int> offset = calendar.gregorianYearOffset()) {
        // Every run starts at a day whose key is in the set, so the longest run of the days the set names
        // by their exact keys is the best streak.
        if (const std::optional<GregorianDaySet> written = GregorianDaySet::of(writtenDays, GregorianDays(*offset))) {
            return written->longestRun();
        }
    }
    return detail::bestStreakByCalendar(writtenDays, calendar);
}

int daysWrittenThisWeek(const QSet<QString>& writtenDays, const QString& todayKey, const Calendar& calendar)
{
    if (const std::optional<int> offset = calendar.gregorianYearOffset()) {
        const GregorianDays days(*offset);
        const GregorianDays::Parsed today = days.parse(todayKey);
        if (today.result == GregorianDays::Parse::none) {
            return 0;
        }
        if (today.result == GregorianDays::Parse::day) {
            const qint64 weekStart = today.day - (GregorianDays::weekday(today.day) - calendar.firstWeekday() + 7) % 7;
            int count = 0;
            for (qint64 day = weekStart; day < weekStart + 7; ++day) {
                count += writtenDays.contains(days.key(day)) ? 1 : 0;
            }
            return count;
        }
    }
    return detail::daysWrittenThisWeekByCalendar(writtenDays, todayKey, calendar);
}

int heatmapLevel(qint64 words)
{
    if (words == 0) {
        return 0;
    }
    if (words < 20) {
        return 1;
    }
    if (words < 60) {
        return 2;
    }
    if (words < 150) {
        return 3;
    }
    return 4;
}

std::optional<QDateTime> heatmapCellDate(int column, int row, const QDateTime& startOfToday, int todayWeekdayIndex,
                                         const Calendar& calendar)
{
    const int daysBack = (heatmapWeeks - 1 - column) * 7 + (todayWeekdayIndex - row);
    if (daysBack < 0) {
        return std::nullopt;
    }
    return calendar.adding(Calendar::Unit::day, -daysBack, startOfToday);
}

} // namespace wendle

namespace wendle {

std::vector<std::optional<QString>> heatmapDayKeys(const QDateTime& startOfToday, int todayWeekdayIndex,
                                                   const Calendar& calendar)
{
    std::vector<std::optional<QString>> keys(heatmapWeeks * 7);
    std::optional<qint64> today;
    std::optional<GregorianDays> days;
    if (const std::optional<int> offset = calendar.gregorianYearOffset()) {
        days.emplace(*offset);
        const GregorianDays::Parsed parsed = days->parse(calendarDayKey(startOfToday, calendar));
        if (parsed.result == GregorianDays::Parse::day
            && parsed.day - heatmapWeeks * 7 >= GregorianDays::firstSupportedDay()) {
            today = parsed.day;
        }
    }
    for (int column = 0; column < heatmapWeeks; ++column) {
        for (int row = 0; row < 7; ++row) {
            std::optional<QString>& key = keys[static_cast<std::size_t>(column * 7 + row)];
            const int daysBack = (heatmapWeeks - 1 - column) * 7 + (todayWeekdayIndex - row);
            if (daysBack < 0) {
                continue;
            }
            if (today) {
                key = days->key(*today - daysBack);
            } else if (const std::optional<QDateTime> date
                       = heatmapCellDate(column, row, startOfToday, todayWeekdayIndex, calendar)) {
                key = calendarDayKey(*date, calendar);
            }
        }
    }
    return keys;
}

} // namespace wendle
