// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/Calendar.h"

#include "journal/SystemTimeZone.h"

#include <QTimeZone>

#include <unicode/calendar.h>
#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>

#include <cstdlib>
#include <limits>

namespace wendle {

namespace {

std::unique_ptr<icu::Calendar> makeIcuCalendar(const QString& localeId, const QString& timeZoneId)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale locale(localeId.toUtf8().constData());
    std::unique_ptr<icu::Calendar> calendar(
        icu::Calendar::createInstance(systemRulesTimeZone(timeZoneId).release(), locale, status));
    if (U_FAILURE(status) || !calendar) {
        status = U_ZERO_ERROR;
        calendar.reset(
            icu::Calendar::createInstance(systemRulesTimeZone(timeZoneId).release(), icu::Locale::getRoot(), status));
    }
    calendar->setLenient(true);
    calendar->setSkippedWallTimeOption(UCAL_WALLTIME_NEXT_VALID);
    calendar->setRepeatedWallTimeOption(UCAL_WALLTIME_FIRST);
    return calendar;
}

std::optional<QDateTime> momentOf(const icu::Calendar& calendar)
{
    UErrorCode status = U_ZERO_ERROR;
    const UDate ms = calendar.getTime(status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms), Qt::UTC);
}

bool fitsField(qint64 value)
{
    return value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max();
}

// POSIX locale names carry a codeset and modifiers ICU does not want; ICU keywords (`@calendar=buddhist`) stay.
QString icuIdFromPosix(QString name)
{
    QString keywords;
    const qsizetype at = name.indexOf(u'@');
    if (at >= 0) {
        const QString modifier = name.mid(at + 1);
        if (modifier.contains(u'=')) {
            keywords = u'@' + modifier;
        }
        name.truncate(at);
    }
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0) {
        name.truncate(dot);
    }
    if (name.isEmpty() || name == u"C" || name == u"POSIX") {
        name = QStringLiteral("en_US_POSIX");
    }
    return name + keywords;
}

} // namespace

QString systemLocaleId()
{
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) {
            return icuIdFromPosix(QString::fromLocal8Bit(value));
        }
    }
    return icuIdFromPosix(QString());
}

Calendar::Calendar(QString localeId, QString timeZoneId, std::unique_ptr<icu::Calendar> calendar)
    : m_localeId(std::move(localeId))
    , m_timeZoneId(std::move(timeZoneId))
    , m_calendar(std::move(calendar))
{
}

Calendar Calendar::current()
{
    return make(systemLocaleId(), systemTimeZoneId());
}

Calendar Calendar::make(const QString& localeId, const QString& timeZoneId)
{
    return Calendar(localeId, timeZoneId, makeIcuCalendar(localeId, timeZoneId));
}

Calendar::Calendar(const Calendar& other)
    : m_localeId(other.m_localeId)
    , m_timeZoneId(other.m_timeZoneId)
    , m_calendar(other.m_calendar->clone())
{
}

Calendar& Calendar::operator=(const Calendar& other)
{
    if (this != &other) {
        m_localeId = other.m_localeId;
        m_timeZoneId = other.m_timeZoneId;
        m_calendar.reset(other.m_calendar->clone());
    }
    return *this;
}

Calendar::Calendar(Calendar&&) noexcept = default;
Calendar& Calendar::operator=(Calendar&&) noexcept = default;
Calendar::~Calendar() = default;

QString Calendar::type() const
{
    return QString::fromLatin1(m_calendar->getType());
}

int Calendar::firstWeekday() const
{
    return static_cast<int>(m_calendar->getFirstDayOfWeek());
}

DateComponents Calendar::components(const QDateTime& moment) const
{
    UErrorCode status = U_ZERO_ERROR;
    m_calendar->setTime(static_cast<UDate>(moment.toMSecsSinceEpoch()), status);
    DateComponents c;
    c.era = m_calendar->get(UCAL_ERA, status);
    c.year = m_calendar->get(UCAL_YEAR, status);
    c.month = m_calendar->get(UCAL_MONTH, status) + 1;
    c.day = m_calendar->get(UCAL_DATE, status);
    c.hour = m_calendar->get(UCAL_HOUR_OF_DAY, status);
    c.minute = m_calendar->get(UCAL_MINUTE, status);
    c.second = m_calendar->get(UCAL_SECOND, status);
    c.weekday = m_calendar->get(UCAL_DAY_OF_WEEK, status);
    return c;
}

std::optional<QDateTime> Calendar::adding(Unit unit, int amount, const QDateTime& moment) const
{
    UCalendarDateFields field = UCAL_DATE;
    switch (unit) {
    case Unit::day:
        field = UCAL_DATE;
        break;
    case Unit::weekOfYear:
        field = UCAL_WEEK_OF_YEAR;
        break;
    case Unit::month:
        field = UCAL_MONTH;
        break;
    case Unit::year:
        field = UCAL_YEAR;
        break;
    }
    UErrorCode status = U_ZERO_ERROR;
    m_calendar->setTime(static_cast<UDate>(moment.toMSecsSinceEpoch()), status);
    m_calendar->add(field, amount, status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    return momentOf(*m_calendar);
}

QDateTime Calendar::startOfDay(const QDateTime& moment) const
{
    return atTime(moment, 0, 0).value_or(moment);
}

std::optional<QDateTime> Calendar::date(qint64 year, qint64 month, qint64 day, int hour, int minute) const
{
    if (!fitsField(year) || !fitsField(month - 1) || !fitsField(day)) {
        return std::nullopt;
    }
    // Cleared fields leave the era at the calendar's default, which is its current era.
    m_calendar->clear();
    m_calendar->set(UCAL_YEAR, static_cast<int32_t>(year));
    m_calendar->set(UCAL_MONTH, static_cast<int32_t>(month - 1));
    m_calendar->set(UCAL_DATE, static_cast<int32_t>(day));
    m_calendar->set(UCAL_HOUR_OF_DAY, hour);
    m_calendar->set(UCAL_MINUTE, minute);
    return momentOf(*m_calendar);
}

std::optional<QDateTime> Calendar::atTime(const QDateTime& day, int hour, int minute) const
{
    UErrorCode status = U_ZERO_ERROR;
    m_calendar->setTime(static_cast<UDate>(day.toMSecsSinceEpoch()), status);
    m_calendar->set(UCAL_HOUR_OF_DAY, hour);
    m_calendar->set(UCAL_MINUTE, minute);
    m_calendar->set(UCAL_SECOND, 0);
    m_calendar->set(UCAL_MILLISECOND, 0);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    return momentOf(*m_calendar);
}

std::optional<DateInterval> Calendar::intervalOf(int field, const QDateTime& moment) const
{
    const QDateTime dayStart = startOfDay(moment);
    UErrorCode status = U_ZERO_ERROR;
    m_calendar->setTime(static_cast<UDate>(dayStart.toMSecsSinceEpoch()), status);
    if (field == UCAL_WEEK_OF_YEAR) {
        const int back = (m_calendar->get(UCAL_DAY_OF_WEEK, status) - m_calendar->getFirstDayOfWeek() + 7) % 7;
        m_calendar->add(UCAL_DATE, -back, status);
    } else {
        m_calendar->set(UCAL_DATE, 1);
    }
    const std::optional<QDateTime> start = momentOf(*m_calendar);
    if (U_FAILURE(status) || !start) {
        return std::nullopt;
    }
    const QDateTime first = startOfDay(*start);
    const std::optional<QDateTime> next = adding(field == UCAL_WEEK_OF_YEAR ? Unit::weekOfYear : Unit::month, 1, first);
    if (!next) {
        return std::nullopt;
    }
    return DateInterval{first, startOfDay(*next)};
}

std::optional<DateInterval> Calendar::weekInterval(const QDateTime& moment) const
{
    return intervalOf(UCAL_WEEK_OF_YEAR, moment);
}

std::optional<DateInterval> Calendar::monthInterval(const QDateTime& moment) const
{
    return intervalOf(UCAL_MONTH, moment);
}

std::optional<std::pair<int, int>> Calendar::dayRangeOfMonth(const QDateTime& moment) const
{
    UErrorCode status = U_ZERO_ERROR;
    m_calendar->setTime(static_cast<UDate>(moment.toMSecsSinceEpoch()), status);
    const int first = m_calendar->getActualMinimum(UCAL_DATE, status);
    const int last = m_calendar->getActualMaximum(UCAL_DATE, status);
    if (U_FAILURE(status) || last < first) {
        return std::nullopt;
    }
    return std::pair{first, last};
}

QString Calendar::standaloneMonthName(int month) const
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::DateFormatSymbols symbols(icuLocale(), m_calendar->getType(), status);
    int32_t count = 0;
    const icu::UnicodeString* names
        = symbols.getMonths(count, icu::DateFormatSymbols::STANDALONE, icu::DateFormatSymbols::WIDE);
    if (U_FAILURE(status) || month < 1 || month > count) {
        return QString();
    }
    const icu::UnicodeString& name = names[month - 1];
    return QString(reinterpret_cast<const QChar*>(name.getBuffer()), name.length());
}

std::optional<int> Calendar::gregorianYearOffset() const
{
    if (zoneSkipsWholeDays(m_timeZoneId)) {
        return std::nullopt;
    }
    const QString kind = type();
    if (kind == u"gregorian" || kind == u"iso8601") {
        return 0;
    }
    if (kind == u"buddhist") {
        return 543;
    }
    return std::nullopt;
}

std::unique_ptr<icu::Calendar> Calendar::icuCalendar(const QDateTime& moment) const
{
    std::unique_ptr<icu::Calendar> copy(m_calendar->clone());
    UErrorCode status = U_ZERO_ERROR;
    copy->setTime(static_cast<UDate>(moment.toMSecsSinceEpoch()), status);
    return copy;
}

icu::Locale Calendar::icuLocale() const
{
    return icu::Locale(m_localeId.toUtf8().constData());
}

} // namespace wendle
