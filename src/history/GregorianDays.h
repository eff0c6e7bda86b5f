// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSet>
#include <QString>
#include <QStringView>

#include <optional>
#include <unordered_set>
#include <vector>

namespace wendle {

/**
 * Day keys as integer day numbers (days since 1970-01-01), for calendars whose days are plain Gregorian days
 * (see `Calendar::gregorianYearOffset`). Stepping a day is then an addition instead of an ICU calculation,
 * which keeps walks over decades of written days fast. Only dates from 1600 to 9999 are handled, where ICU's
 * Gregorian calendar and the proleptic one agree; anything else is reported as unsupported so the caller
 * can take the calendar's own path.
 */
class GregorianDays
{
public:
    enum class Parse
    {
        day,
        none,
        unsupported
    };
    struct Parsed
    {
        Parse result;
        qint64 day = 0;
    };

    explicit GregorianDays(int yearOffset)
        : m_yearOffset(yearOffset)
    {
    }

    /** The day a key names, with the rules of `dateForDayKey` (lenient: month 13 is next January). */
    Parsed parse(QStringView key) const;
    /** The day a key names when it is spelt exactly as this calendar spells that day's key; none otherwise. */
    Parsed parseExact(QStringView key) const;
    /** The key of a day, in the calendar's own year numbers. */
    QString key(qint64 day) const;
    /** 1 = Sunday … 7 = Saturday. */
    static int weekday(qint64 day);
    /** The first day handled: 1 January 1600. */
    static qint64 firstSupportedDay();

private:
    int m_yearOffset;
};

/**
 * The days that a set of keys names by their exact text, as day numbers: "2024-03-05" names 5 March, while
 * "2024-3-5" names no day here, because the calendar's own key for that day is spelt differently.
 */
class GregorianDaySet
{
public:
    /** Nothing when a key falls outside the supported dates. */
    static std::optional<GregorianDaySet> of(const QSet<QString>& keys, const GregorianDays& days);

    bool contains(qint64 day) const;
    /** The length of the longest run of consecutive days. */
    qint64 longestRun() const;

private:
    std::vector<bool> m_present; // m_present[day - m_first], when the span is small enough for a bitmap
    std::vector<qint64> m_sorted; // otherwise, sorted and hashed
    std::unordered_set<qint64> m_hashed;
    qint64 m_first = 0;
};

} // namespace wendle
