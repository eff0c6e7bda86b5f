// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/MonthRecap.h"

#include "history/LookingBack.h"
#include "journal/DateText.h"
#include "journal/DayKey.h"

#include <QCoreApplication>
#include <QSet>

namespace wendle {

namespace {

bool isNewline(QChar ch)
{
    switch (ch.unicode()) {
    case u'\n':
    case 0x0B:
    case 0x0C:
    case u'\r':
    case 0x85:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}

bool isBlank(QChar ch)
{
    return ch == u'\t' || ch.category() == QChar::Separator_Space;
}

} // namespace

std::optional<QString> monthKeyOf(const QString& dayKey)
{
    const QStringList pieces = dayKey.split(u'-', Qt::SkipEmptyParts);
    if (pieces.size() != 3) {
        return std::nullopt;
    }
    return pieces.at(0) + u'-' + pieces.at(1);
}

std::optional<PreviousMonth> previousMonthDays(const QString& dayKey, const Calendar& calendar)
{
    const std::optional<QDateTime> day = dateForDayKey(dayKey, calendar);
    if (!day) {
        return std::nullopt;
    }
    const std::optional<QDateTime> previous = calendar.adding(Calendar::Unit::month, -1, *day);
    if (!previous) {
        return std::nullopt;
    }
    const std::optional<std::pair<int, int>> range = calendar.dayRangeOfMonth(*previous);
    if (!range) {
        return std::nullopt;
    }
    const DateComponents c = calendar.components(*previous);
    PreviousMonth month{
        toLowerInLocale(calendar.standaloneMonthName(c.month), calendar), range->second - range->first + 1, {}};
    for (int d = range->first; d <= range->second; ++d) {
        month.dayKeys << QString::asprintf("%04d-%02d-%02d", c.year, c.month, d);
    }
    return month;
}

std::optional<QString> firstNonBlankLine(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && !isNewline(text.at(end))) {
            ++end;
        }
        const QStringView line = QStringView(text).mid(start, end - start);
        if (std::any_of(line.begin(), line.end(), [](QChar ch) { return !isBlank(ch); })) {
            return line.toString();
        }
        start = end + 1;
    }
    return std::nullopt;
}

std::optional<RecapData> makeRecap(const std::vector<Entry*>& entries, const EntryKey& key, const QDateTime& now,
                                   const Calendar& calendar, const Preferences& preferences)
{
    const QString today = journalDayKey(now, calendar);
    const std::optional<QString> month = monthKeyOf(today);
    if (!month) {
        return std::nullopt;
    }
    const QString flagKey = QString::fromLatin1(PreferenceKeys::recapShownPrefix) + *month;
    if (preferences.boolValue(flagKey)) {
        return std::nullopt;
    }
    const std::optional<PreviousMonth> previous = previousMonthDays(today, calendar);
    if (!previous) {
        return std::nullopt;
    }
    const QSet<QString> monthDays(previous->dayKeys.begin(), previous->dayKeys.end());

    QSet<QString> daysWritten;
    qint64 totalWords = 0;
    const Entry* longest = nullptr;
    for (const Entry* entry : entries) {
        if (!monthDays.contains(entry->dayKey())) {
            continue;
        }
        daysWritten.insert(entry->dayKey());
        totalWords += entry->creditedWords();
        if (!longest || entry->creditedWords() > longest->creditedWords()) {
            longest = entry;
        }
    }
    if (daysWritten.isEmpty()) {
        return std::nullopt;
    }
    return RecapData{previous->monthName,
                     daysWritten.size(),
                     previous->dayCount,
                     totalWords,
                     firstNonBlankLine(entryText(*longest, key)),
                     QCoreApplication::translate("wendle::MonthRecap", "begin %1")
                         .arg(toLowerInLocale(formatDate(now, QStringLiteral("MMMM"), calendar), calendar)),
                     flagKey};
}

} // namespace wendle
