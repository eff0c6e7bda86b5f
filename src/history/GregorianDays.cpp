// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/GregorianDays.h"

#include "journal/DayKey.h"

#include <algorithm>
#include <limits>

namespace wendle {

namespace {

constexpr qint64 kFirstYear = 1600;
constexpr qint64 kLastYear = 9999;
// Beyond this many days (about 400 years) a bitmap would waste memory; a hash set takes over.
constexpr qint64 kBitmapSpan = 146'097;

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
qint64 daysFromCivil(qint64 y, qint64 m, qint64 d)
{
    y -= m <= 2;
    const qint64 era = floorDiv(y, 400);
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(qint64 z, qint64& y, int& m, int& d)
{
    z += 719468;
    const qint64 era = floorDiv(z, 146097);
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

int monthLength(qint64 year, int month)
{
    static constexpr int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : lengths[month - 1];
}

int digitAt(QStringView text, int index)
{
    const char16_t ch = text.at(index).unicode();
    return ch >= u'0' && ch <= u'9' ? ch - u'0' : -1;
}

bool fitsField(qint64 value)
{
    return value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max();
}

} // namespace

GregorianDays::Parsed GregorianDays::parse(QStringView key) const
{
    const std::optional<std::array<qint64, 3>> parsed = dayKeyNumbers(key);
    if (!parsed) {
        return {Parse::none};
    }
    const std::array<qint64, 3>& numbers = *parsed;
    // The same limits as the calendar's own fields.
    if (!fitsField(numbers[0]) || !fitsField(numbers[1] - 1) || !fitsField(numbers[2])) {
        return {Parse::none};
    }
    const qint64 monthIndex = numbers[1] - 1;
    const qint64 year = numbers[0] - m_yearOffset + floorDiv(monthIndex, 12);
    const qint64 month = monthIndex - floorDiv(monthIndex, 12) * 12 + 1;
    if (year < kFirstYear - 1 || year > kLastYear + 1) {
        return {Parse::unsupported};
    }
    const qint64 day = daysFromCivil(year, month, 1) + numbers[2] - 1;
    qint64 y = 0;
    int m = 0;
    int d = 0;
    civilFromDays(day, y, m, d);
    if (y < kFirstYear || y > kLastYear) {
        return {Parse::unsupported};
    }
    return {Parse::day, day};
}

GregorianDays::Parsed GregorianDays::parseExact(QStringView text) const
{
    // The common spelling, "YYYY-MM-DD", checked without building pieces.
    if (text.size() == 10 && text.at(4) == u'-' && text.at(7) == u'-') {
        int digits[8];
        const int positions[8] = {0, 1, 2, 3, 5, 6, 8, 9};
        for (int i = 0; i < 8; ++i) {
            digits[i] = digitAt(text, positions[i]);
            if (digits[i] < 0) {
                return {Parse::none};
            }
        }
        const qint64 year = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3] - m_yearOffset;
        const int month = digits[4] * 10 + digits[5];
        const int dayOfMonth = digits[6] * 10 + digits[7];
        if (year < kFirstYear || year > kLastYear) {
            return {Parse::unsupported};
        }
        if (month < 1 || month > 12 || dayOfMonth < 1 || dayOfMonth > monthLength(year, month)) {
            return {Parse::none};
        }
        return {Parse::day, daysFromCivil(year, month, dayOfMonth)};
    }
    const Parsed parsed = parse(text);
    if (parsed.result == Parse::day && text != key(parsed.day)) {
        return {Parse::none};
    }
    return parsed;
}

QString GregorianDays::key(qint64 day) const
{
    qint64 year = 0;
    int month = 0;
    int dayOfMonth = 0;
    civilFromDays(day, year, month, dayOfMonth);
    year += m_yearOffset;
    char16_t text[16];
    int length = 0;
    char16_t yearDigits[8];
    int yearLength = 0;
    for (qint64 y = year; y > 0 || yearLength < 4; y /= 10) {
        yearDigits[yearLength++] = static_cast<char16_t>(u'0' + y % 10);
    }
    while (yearLength > 0) {
        text[length++] = yearDigits[--yearLength];
    }
    text[length++] = u'-';
    text[length++] = static_cast<char16_t>(u'0' + month / 10);
    text[length++] = static_cast<char16_t>(u'0' + month % 10);
    text[length++] = u'-';
    text[length++] = static_cast<char16_t>(u'0' + dayOfMonth / 10);
    text[length++] = static_cast<char16_t>(u'0' + dayOfMonth % 10);
    return QString(reinterpret_cast<const QChar*>(text), length);
}

int GregorianDays::weekday(qint64 day)
{
    // 1 January 1970 was a Thursday.
    return static_cast<int>(day + 4 - floorDiv(day + 4, 7) * 7) + 1;
}

qint64 GregorianDays::firstSupportedDay()
{
    return daysFromCivil(kFirstYear, 1, 1);
}

std::optional<GregorianDaySet> GregorianDaySet::of(const QSet<QString>& keys, const GregorianDays& days)
{
    // A key spelt otherwise than the calendar spells its day never matches a day the calendar walks to, so
    // only exact keys are kept.
    std::vector<qint64> found;
    found.reserve(static_cast<std::size_t>(keys.size()));
    qint64 first = std::numeric_limits<qint64>::max();
    qint64 last = std::numeric_limits<qint64>::min();
    for (const QString& key : keys) {
        const GregorianDays::Parsed parsed = days.parseExact(key);
        if (parsed.result == GregorianDays::Parse::unsupported) {
            return std::nullopt;
        }
        if (parsed.result == GregorianDays::Parse::day) {
            found.push_back(parsed.day);
            first = std::min(first, parsed.day);
            last = std::max(last, parsed.day);
        }
    }
    GregorianDaySet set;
    if (found.empty()) {
        return set;
    }
    set.m_first = first;
    if (last - first < kBitmapSpan) {
        set.m_present.assign(static_cast<std::size_t>(last - first + 1), false);
        for (const qint64 day : found) {
            set.m_present[static_cast<std::size_t>(day - first)] = true;
        }
    } else {
        std::sort(found.begin(), found.end());
        set.m_hashed.insert(found.begin(), found.end());
        set.m_sorted = std::move(found);
    }
    return set;
}

bool GregorianDaySet::contains(qint64 day) const
{
    if (!m_present.empty()) {
        const qint64 index = day - m_first;
        return index >= 0 && index < static_cast<qint64>(m_present.size())
            && m_present[static_cast<std::size_t>(index)];
    }
    return m_hashed.count(day) != 0;
}

qint64 GregorianDaySet::longestRun() const
{
    qint64 best = 0;
    qint64 run = 0;
    if (!m_present.empty()) {
        for (const bool present : m_present) {
            run = present ? run + 1 : 0;
            best = std::max(best, run);
        }
        return best;
    }
    for (std::size_t i = 0; i < m_sorted.size(); ++i) {
        run = (i > 0 && m_sorted[i] == m_sorted[i - 1] + 1) ? run + 1 : 1;
        best = std::max(best, run);
    }
    return best;
}

} // namespace wendle
