// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/Statistics.h"
#include "journal/DayKey.h"
#include "journal/WrittenDays.h"

#include "TempJournal.h"

#include <QRandomGenerator>
#include <QTest>
#include <QTimeZone>

using namespace wendle;

namespace {

Calendar calendar(const char* locale, const char* zone)
{
    return Calendar::make(QString::fromLatin1(locale), QString::fromLatin1(zone));
}

/** Day keys written one space apart. */
QSet<QString> keys(const char* list)
{
    const QStringList split = QString::fromLatin1(list).split(u' ', Qt::SkipEmptyParts);
    return QSet<QString>(split.begin(), split.end());
}

// Every calendar the figures must agree on, fast or not.
const std::vector<Calendar>& calendars()
{
    static const std::vector<Calendar> all = {
        calendar("en_US", "America/New_York"),
        calendar("de_DE", "Europe/Berlin"),
        calendar("en_AU", "Australia/Lord_Howe"),
        calendar("en_WS", "Pacific/Apia"),
        calendar("th_TH@calendar=buddhist", "Asia/Bangkok"),
    };
    return all;
}

} // namespace

class TestStatistics : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dayIsWrittenAtTwentyWords();
    void streaks();
    void streaksInOtherCalendars();
    void weekFollowsTheLocale();
    void fastFiguresMatchTheCalendarWalk();
    void heatmapLevels();
    void heatmapGeometry();
};

void TestStatistics::dayIsWrittenAtTwentyWords()
{
    test::TempJournal journal;
    const auto add = [&](const char* dayKey, const char* promptID, qint64 words) {
        return journal.add(QString::fromLatin1(dayKey), QString::fromLatin1(promptID), QString(), words);
    };
    add("2024-03-01", "memory-001", 19);
    add("2024-03-02", "memory-002", 20);
    add("2024-03-03", "memory-003", 12);
    add("2024-03-03", "freeform", 8);
    // Two entries of one day and prompt (the store does not forbid it) both count.
    add("2024-03-04", "memory-004", 10);
    const Entry* late = add("2024-03-04", "memory-004", 10);
    add("2024-03-05", "memory-005", 0);

    QCOMPARE(wordsByDay(journal.store->entries()).value(QStringLiteral("2024-03-04")), 20);
    QCOMPARE(completedDayKeys(journal.store->entries()),
             (QSet<QString>{QStringLiteral("2024-03-02"), QStringLiteral("2024-03-03"), QStringLiteral("2024-03-04")}));

    // An entry is today's until 03:00 the next morning.
    const Calendar berlin = Calendar::make(QStringLiteral("en_US"), QStringLiteral("Europe/Berlin"));
    const QDateTime three = QDateTime(QDate(2024, 3, 5), QTime(3, 0), QTimeZone("Europe/Berlin")).toUTC();
    QVERIFY(isTodayEntry(*late, three.addSecs(-1), berlin));
    QVERIFY(!isTodayEntry(*late, three, berlin));
}

void TestStatistics::streaks()
{
    for (const Calendar& cal : calendars()) {
        if (cal.type() != u"gregorian") {
            continue;
        }
        const auto current = [&](const char* written, const char* today) {
            return currentStreak(keys(written), QString::fromLatin1(today), cal);
        };
        const char* threeBefore = "2024-03-02 2024-03-03 2024-03-04";
        // Today unwritten does not break the streak; once written it counts.
        QCOMPARE(current(threeBefore, "2024-03-05"), 3);
        QCOMPARE(current("2024-03-02 2024-03-03 2024-03-04 2024-03-05", "2024-03-05"), 4);
        // Today and yesterday unwritten: whatever lies further back, the streak is 0.
        QCOMPARE(current(threeBefore, "2024-03-06"), 0);
        QCOMPARE(current(threeBefore, "not a day"), 0);
        // A today key spelt differently still names the day.
        QCOMPARE(current(threeBefore, "2024-3-5"), 3);
        // Across month and year ends, and the spring and autumn nights of both hemispheres.
        QCOMPARE(current("2023-02-27 2023-02-28 2023-03-01", "2023-03-01"), 3);
        QCOMPARE(current("2024-02-28 2024-02-29 2024-03-01", "2024-03-01"), 3);
        QCOMPARE(current("2024-12-30 2024-12-31 2025-01-01", "2025-01-01"), 3);
        const char* clockChanges = "2024-03-09 2024-03-10 2024-03-11 2024-03-30 2024-03-31 2024-04-01 "
                                   "2024-04-06 2024-04-07 2024-04-08";
        for (const char* today : {"2024-03-11", "2024-04-01", "2024-04-08"}) {
            QVERIFY2(current(clockChanges, today) == 3, qPrintable(cal.timeZoneId() + u' ' + QLatin1String(today)));
        }
        QCOMPARE(bestStreak(keys(clockChanges), cal), 3);
    }

    // At 01:30 on 6 March the journal day is still 5 March.
    const Calendar berlin = calendar("de_DE", "Europe/Berlin");
    const QDateTime smallHours = QDateTime(QDate(2024, 3, 6), QTime(1, 30), QTimeZone("Europe/Berlin")).toUTC();
    QCOMPARE(currentStreak(keys("2024-03-04 2024-03-05"), journalDayKey(smallHours, berlin), berlin), 2);

    // Samoa never had 30 December 2011: the 29th and the 31st are consecutive days there.
    const Calendar apia = calendar("en_WS", "Pacific/Apia");
    const QSet<QString> aroundTheJump = keys("2011-12-28 2011-12-29 2011-12-31 2012-01-01");
    QCOMPARE(currentStreak(aroundTheJump, QStringLiteral("2012-01-01"), apia), 4);
    QCOMPARE(bestStreak(aroundTheJump, apia), 4);
    QCOMPARE(currentStreak(aroundTheJump, QStringLiteral("2012-01-01"), calendar("en_US", "America/New_York")), 2);

    // The best run: nothing, one day, garbage ignored; two equal runs, one over a year end, are not added.
    const Calendar newYork = calendar("en_US", "America/New_York");
    QCOMPARE(bestStreak({}, newYork), 0);
    QCOMPARE(bestStreak(keys("garbage 2024-03-05 2024-13-40-1"), newYork), 1);
    QCOMPARE(bestStreak(keys("2023-12-30 2023-12-31 2024-01-01 2024-06-01 2024-06-02 2024-06-03"), newYork), 3);
    // "2024-3-4" names 4 March, but the walk looks for the key "2024-03-04", which is not there.
    QCOMPARE(bestStreak(keys("2024-3-4 2024-03-05 2024-03-06"), newYork), 2);
}

void TestStatistics::streaksInOtherCalendars()
{
    // Buddhist years are the keys' years; the days are Gregorian days.
    const Calendar buddhist = calendar("th_TH@calendar=buddhist", "Asia/Bangkok");
    const QSet<QString> written = keys("2567-02-28 2567-02-29 2567-03-01 2567-03-02");
    QCOMPARE(currentStreak(written, QStringLiteral("2567-03-03"), buddhist), 4);
    QCOMPARE(bestStreak(written, buddhist), 4);
    // Gregorian keys mean other days there: 2024 is not a leap year as a Buddhist year (1481).
    QCOMPARE(bestStreak(keys("2024-02-28 2024-02-29"), buddhist), 1);

    // The Hebrew calendar has no Gregorian shortcut: its months are walked by the calendar.
    const Calendar hebrew = calendar("he_IL@calendar=hebrew", "Asia/Jerusalem");
    const QSet<QString> newYear = keys("5784-13-29 5785-01-01 5785-01-02");
    QCOMPARE(currentStreak(newYear, QStringLiteral("5785-01-02"), hebrew), 3);
    QCOMPARE(daysWrittenThisWeek(newYear, QStringLiteral("5785-01-02"), hebrew), 3);
}

void TestStatistics::weekFollowsTheLocale()
{
    // Sunday 10 March 2024. Monday weeks hold the six days before; Sunday weeks start that very day and count
    // all seven of their days, those after today included.
    const QSet<QString> written
        = keys("2024-03-03 2024-03-04 2024-03-06 2024-03-09 2024-03-10 2024-03-12 2024-03-16 2024-03-17");
    const Calendar monday = calendar("de_DE", "Europe/Berlin");
    const Calendar sunday = calendar("en_US", "America/New_York");
    QCOMPARE(daysWrittenThisWeek(written, QStringLiteral("2024-03-10"), monday), 4);
    QCOMPARE(daysWrittenThisWeek(written, QStringLiteral("2024-03-10"), sunday), 3);
    QCOMPARE(daysWrittenThisWeek(written, QStringLiteral("2024-03-11"), monday), 3);
    QCOMPARE(daysWrittenThisWeek(written, QStringLiteral("x"), sunday), 0);

    // A week across the year end, and one in Samoa without its 30 December.
    const QSet<QString> yearEnd = keys("2024-12-29 2024-12-31 2025-01-01 2025-01-04 2025-01-05");
    QCOMPARE(daysWrittenThisWeek(yearEnd, QStringLiteral("2025-01-02"), sunday), 4);
    QCOMPARE(daysWrittenThisWeek(yearEnd, QStringLiteral("2025-01-02"), monday), 4);
    QCOMPARE(daysWrittenThisWeek(keys("2011-12-25 2011-12-29 2011-12-31"), QStringLiteral("2011-12-29"),
                                 calendar("en_WS", "Pacific/Apia")),
             3);
}

void TestStatistics::fastFiguresMatchTheCalendarWalk()
{
    // Random journals, spelt-out keys and all, over two years across every zone's clock changes.
    QRandomGenerator random(20241206);
    for (const Calendar& cal : calendars()) {
        const QDateTime origin = *dateForDayKey(
            cal.type() == u"buddhist" ? QStringLiteral("2566-11-01") : QStringLiteral("2023-11-01"), cal);
        for (int round = 0; round < 12; ++round) {
            QSet<QString> written;
            QDateTime day = origin;
            for (int i = 0; i < 730; ++i) {
                day = *cal.adding(Calendar::Unit::day, 1, day);
                if (random.bounded(100) < 70) {
                    const DateComponents c = cal.components(day);
                    written.insert(random.bounded(50) == 0
                                       ? QStringLiteral("%1-%2-%3").arg(c.year).arg(c.month).arg(c.day)
                                       : calendarDayKey(day, cal));
                }
            }
            const QString today
                = calendarDayKey(*cal.adding(Calendar::Unit::day, static_cast<int>(random.bounded(740)), origin), cal);
            const QByteArray where = (cal.timeZoneId() + u' ' + today).toUtf8();
            QVERIFY2(currentStreak(written, today, cal) == detail::currentStreakByCalendar(written, today, cal),
                     where.constData());
            QVERIFY2(bestStreak(written, cal) == detail::bestStreakByCalendar(written, cal), where.constData());
            QVERIFY2(daysWrittenThisWeek(written, today, cal)
                         == detail::daysWrittenThisWeekByCalendar(written, today, cal),
                     where.constData());
        }
    }
}

void TestStatistics::heatmapLevels()
{
    const std::pair<qint64, int> levels[]
        = {{0, 0}, {1, 1}, {19, 1}, {20, 2}, {59, 2}, {60, 3}, {149, 3}, {150, 4}, {99999, 4}, {-5, 1}};
    for (const auto& [words, level] : levels) {
        QCOMPARE(heatmapLevel(words), level);
    }
}

void TestStatistics::heatmapGeometry()
{
    for (const Calendar& cal : calendars()) {
        // Wednesday 13 March 2024 (Buddhist 2567), just after the northern spring change.
        const QString todayKey
            = cal.type() == u"buddhist" ? QStringLiteral("2567-03-13") : QStringLiteral("2024-03-13");
        const QDateTime today = *dateForDayKey(todayKey, cal);
        const int weekdayIndex = cal.components(today).weekday - 1;
        QCOMPARE(weekdayIndex, 3);

        // Columns of weeks, rows of weekdays, consecutive days each once, ending today; none after it.
        QStringList days;
        const std::vector<std::optional<QString>> cells = heatmapDayKeys(today, weekdayIndex, cal);
        QCOMPARE(cells.size(), std::size_t(heatmapWeeks * 7));
        for (int column = 0; column < heatmapWeeks; ++column) {
            for (int row = 0; row < 7; ++row) {
                const std::optional<QDateTime> date = heatmapCellDate(column, row, today, weekdayIndex, cal);
                QCOMPARE(cells[static_cast<std::size_t>(column * 7 + row)],
                         date ? std::optional<QString>(calendarDayKey(*date, cal)) : std::nullopt);
                QCOMPARE(date.has_value(), column < heatmapWeeks - 1 || row <= weekdayIndex);
                if (date) {
                    QCOMPARE(cal.components(*date).weekday - 1, row);
                    QCOMPARE(*date, cal.startOfDay(*date));
                    days << calendarDayKey(*date, cal);
                }
            }
        }
        QCOMPARE(days.size(), 179);
        QCOMPARE(days.last(), todayKey);
        QCOMPARE(days.first(), calendarDayKey(*cal.adding(Calendar::Unit::day, -178, today), cal));
        QCOMPARE(QSet<QString>(days.begin(), days.end()).size(), days.size());
        QVERIFY(std::is_sorted(days.begin(), days.end()));
    }
}

QTEST_GUILESS_MAIN(TestStatistics)
#include "TestStatistics.moc"
