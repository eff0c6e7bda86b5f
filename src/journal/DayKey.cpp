// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/DayKey.h"

namespace wendle {

namespace {

QString formatKey(const DateComponents& c)
{
    return QString::asprintf("%04d-%02d-%02d", c.year, c.month, c.day);
}

// A decimal integer: an optional "+" and ASCII digits only, nothing around them, within 64 bits.
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

} // namespace

QString journalDayKey(const QDateTime& moment, const Calendar& calendar)
{
    QDateTime day = moment;
    if (calendar.components(moment).hour < journalDayStartHour) {
        day = calendar.adding(Calendar::Unit::day, -1, moment).value_or(moment);
    }
    return calendarDayKey(day, calendar);
}

QString calendarDayKey(const QDateTime& date, const Calendar& calendar)
{
    return formatKey(calendar.components(date));
}

std::optional<std::array<qint64, 3>> dayKeyNumbers(QStringView dayKey)
{
    std::array<qint64, 3> numbers{};
    std::size_t count = 0;
    for (const QStringView piece : dayKey.split(u'-', Qt::SkipEmptyParts)) {
        if (const std::optional<qint64> number = parseInteger(piece)) {
            if (count == numbers.size()) {
                return std::nullopt;
            }
            numbers[count++] = *number;
        }
    }
    if (count != numbers.size()) {
        return std::nullopt;
    }
    return numbers;
}

std::optional<QDateTime> dateForDayKey(const QString& dayKey, const Calendar& calendar)
{
    const std::optional<std::array<qint64, 3>> numbers = dayKeyNumbers(dayKey);
    if (!numbers) {
        return std::nullopt;
    }
    const std::optional<QDateTime> date = calendar.date((*numbers)[0], (*numbers)[1], (*numbers)[2]);
    if (!date) {
        return std::nullopt;
    }
    // Past the calendar's range ICU still answers, with a made-up day that does not lead back to itself.
    const DateComponents day = calendar.components(*date);
    if (calendar.date(day.year, day.month, day.day) != date) {
        return std::nullopt;
    }
    return date;
}

} // namespace wendle
