// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class Calendar;
class Locale;
U_NAMESPACE_END

namespace wendle {

/** The fields of one moment as a calendar sees it. Months count from 1, weekdays from 1 (Sunday) to 7. */
struct DateComponents
{
    int era = 0;
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 0;
};

/** A half-open span of time [start, end). */
struct DateInterval
{
    QDateTime start;
    QDateTime end;
};

/**
 * The user's calendar: its system (Gregorian, Buddhist, …), time zone, locale and first weekday, with the
 * calendar arithmetic every day question needs. Moments go in and out as UTC `QDateTime`s; all local-time
 * reasoning happens here, over ICU's arithmetic and the system's time-zone rules.
 *
 * A wall time that a clock change skips resolves to the next moment that exists, a repeated one to its first
 * occurrence. A Calendar is a value: copies are independent. One object is not for use from two threads at once.
 */
class Calendar
{
public:
    enum class Unit
    {
        day,
        weekOfYear,
        month,
        year
    };

    /** The user's calendar as the system describes it right now (TZ, LC_ALL / LC_TIME / LANG). */
    static Calendar current();
    /** A calendar for an ICU locale id (`de_DE`, `th_TH@calendar=buddhist`) and a zone id (`Europe/Berlin`). */
    static Calendar make(const QString& localeId, const QString& timeZoneId);

    Calendar(const Calendar& other);
    Calendar& operator=(const Calendar& other);
    Calendar(Calendar&&) noexcept;
    Calendar& operator=(Calendar&&) noexcept;
    ~Calendar();

    QString localeId() const { return m_localeId; }
    QString timeZoneId() const { return m_timeZoneId; }
    /** The ICU calendar type, such as "gregorian" or "buddhist". */
    QString type() const;
    /** 1 = Sunday … 7 = Saturday, from the locale. */
    int firstWeekday() const;

    DateComponents components(const QDateTime& moment) const;
    /** `moment` moved by `amount` units, keeping the wall time where the calendar can; nothing if out of range. */
    std::optional<QDateTime> adding(Unit unit, int amount, const QDateTime& moment) const;
    /** The first moment of the day containing `moment`. */
    QDateTime startOfDay(const QDateTime& moment) const;
    /**
     * The moment named by calendar fields in this calendar's current era, or nothing. Out-of-range fields
     * roll over (month 13 is the first month of the next year).
     */
    std::optional<QDateTime> date(qint64 year, qint64 month, qint64 day, int hour = 0, int minute = 0) const;
    /**
     * The moment at `hour`:`minute`:00 on the day containing `day`. A clock time the day skips gives the next
     * moment that exists; one it repeats gives the first.
     */
    std::optional<QDateTime> atTime(const QDateTime& day, int hour, int minute) const;
    /** The week (with the locale's first weekday) containing `moment`. */
    std::optional<DateInterval> weekInterval(const QDateTime& moment) const;
    /** The month containing `moment`. */
    std::optional<DateInterval> monthInterval(const QDateTime& moment) const;

    /** The first and last day numbers of the month containing `moment` (for example 1 and 28). */
    std::optional<std::pair<int, int>> dayRangeOfMonth(const QDateTime& moment) const;
    /** The month's name as used on its own (not inside a date), in the locale's language. */
    QString standaloneMonthName(int month) const;

    /**
     * When this calendar's days are plain Gregorian days (the Gregorian and Buddhist calendars in a zone that
     * never skips a whole day), the number to subtract from its years to get Gregorian years; otherwise
     * nothing. Day walks over such calendars can use integer day numbers instead of ICU arithmetic.
     */
    std::optional<int> gregorianYearOffset() const;

    /** A copy of the underlying ICU calendar, set to `moment`, for formatting. */
    std::unique_ptr<icu::Calendar> icuCalendar(const QDateTime& moment) const;
    icu::Locale icuLocale() const;

private:
    Calendar(QString localeId, QString timeZoneId, std::unique_ptr<icu::Calendar> calendar);

    std::optional<DateInterval> intervalOf(int field, const QDateTime& moment) const;

    QString m_localeId;
    QString m_timeZoneId;
    // Mutated by const members: ICU calendars are stateful cursors over time.
    mutable std::unique_ptr<icu::Calendar> m_calendar;
};

/** The ICU locale id of the user's current locale, from LC_ALL, LC_TIME or LANG (`de_DE.UTF-8` → `de_DE`). */
QString systemLocaleId();

} // namespace wendle
