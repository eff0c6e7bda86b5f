// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/GregorianDays.h"

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

std::optional<qint64> parseInteger(QStringView piece)
{
    if (piece.startsWith(u'+')) {
        piece = piece.mid(1);
    }
    if (piece.isEmpty()) {
        return std::nullopt;
    }
    qint64 value = 0;
    for (const QChar ch : piece) {
        if (ch < u'0' || ch > u'9') {
            return std::nullopt;
        }
        const int digit = ch.unicode() - u'0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    return value;
}

bool fitsField(qint64 value)
{
    return value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max();
}

} // namespace

GregorianDays::Parsed GregorianDays::parse(QStringView key) const
{
    qint64 numbers[3] = {};
    int count = 0;
    for (const QStringView piece : key.split(u'-', Qt::SkipEmptyParts)) {
        if (const std::optional<qint64> number = parseInteger(piece)) {
            if (count == 3) {
                return {Parse::none};
            }
            numbers[count++] = *number;
        }
    }
    if (count != 3) {
        return {Parse::none};
    }
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

std::optional<GregorianDaySet> GregorianDaySet::of(const QSet<QString>& keys, const GregorianDays& days)
{
    GregorianDaySet set;
    set.m_sorted.reserve(static_cast<std::size_t>(keys.size()));
    for (const QString& key : keys) {
        const GregorianDays::Parsed parsed = days.parse(key);
        if (parsed.result == GregorianDays::Parse::unsupported) {
            return std::nullopt;
        }
        // Only a key spelt exactly as the calendar spells its day names that day.
        if (parsed.result == GregorianDays::Parse::day && days.key(parsed.day) == key) {
            set.m_sorted.push_back(parsed.day);
        }
    }
    std::sort(set.m_sorted.begin(), set.m_sorted.end());
    if (set.m_sorted.empty()) {
        return set;
    }
    set.m_first = set.m_sorted.front();
    const qint64 span = set.m_sorted.back() - set.m_first + 1;
    if (span <= kBitmapSpan) {
        set.m_present.assign(static_cast<std::size_t>(span), false);
        for (const qint64 day : set.m_sorted) {
            set.m_present[static_cast<std::size_t>(day - set.m_first)] = true;
        }
    } else {
        set.m_hashed.insert(set.m_sorted.begin(), set.m_sorted.end());
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
    for (std::size_t i = 0; i < m_sorted.size(); ++i) {
        if (i > 0 && m_sorted[i] == m_sorted[i - 1]) {
            continue;
        }
        run = (i > 0 && m_sorted[i] == m_sorted[i - 1] + 1) ? run + 1 : 1;
        best = std::max(best, run);
    }
    return best;
}

} // namespace wendle
