// SPDX-License-Identifier: GPL-3.0-or-later
// The figures of the History screen over twenty years of daily writing, and the reminder plan.
#include "history/Statistics.h"
#include "journal/DayKey.h"
#include "reminders/ReminderPlanner.h"

#include <QHash>
#include <QSet>

#include <benchmark/benchmark.h>

using namespace wendle;

namespace {

struct Journal
{
    Calendar calendar;
    QSet<QString> written;
    QHash<QString, qint64> words;
    QString todayKey;
    QDateTime now;
};

// Every day of twenty years written, ending today.
const Journal& twentyYears(const char* locale, const char* zone)
{
    static std::map<std::string, Journal> journals;
    const std::string id = std::string(locale) + zone;
    auto found = journals.find(id);
    if (found == journals.end()) {
        Journal journal{Calendar::make(QString::fromLatin1(locale), QString::fromLatin1(zone)), {}, {}, {}, {}};
        journal.now = QDateTime(QDate(2026, 12, 6), QTime(12, 0), Qt::UTC);
        journal.todayKey = journalDayKey(journal.now, journal.calendar);
        QDateTime day = journal.calendar.startOfDay(journal.now);
        for (int i = 0; i < 20 * 365; ++i) {
            const QString key = calendarDayKey(day, journal.calendar);
            journal.written.insert(key);
            journal.words.insert(key, 20 + i % 200);
            day = *journal.calendar.adding(Calendar::Unit::day, -1, day);
        }
        found = journals.emplace(id, std::move(journal)).first;
    }
    return found->second;
}

int heatmapShades(const Journal& journal)
{
    const QDateTime today = journal.calendar.startOfDay(journal.now);
    const int weekday = journal.calendar.components(today).weekday - 1;
    int total = 0;
    for (const std::optional<QString>& key : heatmapDayKeys(today, weekday, journal.calendar)) {
        total += key ? heatmapLevel(journal.words.value(*key)) : 0;
    }
    return total;
}

void bestStreakTwentyYears(benchmark::State& state)
{
    const Journal& journal = twentyYears("en_US", "America/New_York");
    for (auto _ : state) {
        benchmark::DoNotOptimize(bestStreak(journal.written, journal.calendar));
    }
}
BENCHMARK(bestStreakTwentyYears)->Unit(benchmark::kMicrosecond);

void currentStreakTwentyYears(benchmark::State& state)
{
    const Journal& journal = twentyYears("en_US", "America/New_York");
    for (auto _ : state) {
        benchmark::DoNotOptimize(currentStreak(journal.written, journal.todayKey, journal.calendar));
    }
}
BENCHMARK(currentStreakTwentyYears)->Unit(benchmark::kMicrosecond);

// The same two figures where no Gregorian shortcut exists: every day is an ICU calculation.
void streaksTwentyYearsHebrew(benchmark::State& state)
{
    const Journal& journal = twentyYears("he_IL@calendar=hebrew", "Asia/Jerusalem");
    for (auto _ : state) {
        benchmark::DoNotOptimize(bestStreak(journal.written, journal.calendar)
                                 + currentStreak(journal.written, journal.todayKey, journal.calendar));
    }
}
BENCHMARK(streaksTwentyYearsHebrew)->Unit(benchmark::kMillisecond);

void heatmapCells(benchmark::State& state)
{
    const Journal& journal = twentyYears("en_US", "America/New_York");
    for (auto _ : state) {
        benchmark::DoNotOptimize(heatmapShades(journal));
    }
}
BENCHMARK(heatmapCells)->Unit(benchmark::kMicrosecond);

// Everything the History screen's figures take: both streaks, the week count and the heatmap.
void historyFiguresTwentyYears(benchmark::State& state)
{
    const Journal& journal = twentyYears("en_US", "America/New_York");
    for (auto _ : state) {
        benchmark::DoNotOptimize(currentStreak(journal.written, journal.todayKey, journal.calendar)
                                 + bestStreak(journal.written, journal.calendar)
                                 + daysWrittenThisWeek(journal.written, journal.todayKey, journal.calendar)
                                 + heatmapShades(journal));
    }
}
BENCHMARK(historyFiguresTwentyYears)->Unit(benchmark::kMicrosecond);

void planTwoTimes(benchmark::State& state)
{
    const Journal& journal = twentyYears("en_US", "America/New_York");
    const std::vector<ReminderPlanner::Time> times{{QStringLiteral("primary"), 15, 0},
                                                   {QStringLiteral("nudge"), 21, 0}};
    const QDateTime morning = QDateTime(QDate(2026, 12, 6), QTime(14, 0), Qt::UTC);
    const QSet<QString> someWritten{QStringLiteral("2026-12-08"), QStringLiteral("2026-12-11")};
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            ReminderPlanner::plan(morning, someWritten, times, QStringLiteral("wendle.reminder."), journal.calendar));
    }
}
BENCHMARK(planTwoTimes)->Unit(benchmark::kMicrosecond);

} // namespace
