// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/Calendar.h"
#include "journal/DayKey.h"

#include <QTest>
#include <QTimeZone>

using namespace wendle;

namespace {

QDateTime utc(int y, int mo, int d, int h, int mi)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi), Qt::UTC);
}

// A wall time that exists exactly once in the zone, as a UTC moment, by the system's rules.
QDateTime wall(const char* zone, int y, int mo, int d, int h, int mi, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone(zone)).toUTC();
}

} // namespace

class TestDayKey : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void journalDay();
    void parsing();
    void calendarFollowsTheEnvironmentAndTheSystemZoneRules();
    void daylightSavingArithmetic();
};

void TestDayKey::journalDay()
{
    const auto key = [](const char* zone, const QDateTime& moment) {
        return journalDayKey(moment, Calendar::make(QStringLiteral("en_US"), QString::fromLatin1(zone)));
    };
    for (const char* zone : {"America/New_York", "Europe/Berlin", "Australia/Lord_Howe", "Pacific/Apia"}) {
        QCOMPARE(key(zone, wall(zone, 2024, 3, 5, 2, 59, 59)), QStringLiteral("2024-03-04"));
        QCOMPARE(key(zone, wall(zone, 2024, 3, 5, 3, 0)), QStringLiteral("2024-03-05"));
    }
    QCOMPARE(key("Pacific/Apia", wall("Pacific/Apia", 2025, 1, 1, 0, 30)), QStringLiteral("2024-12-31"));
    QCOMPARE(key("America/New_York", wall("America/New_York", 2024, 3, 1, 1, 0)), QStringLiteral("2024-02-29"));
    // Clock-change nights: the journal day still turns at 03:00 local time (01:59 EST, 03:00 EDT, the second
    // 02:30 in Berlin, the repeated 01:45 on Lord Howe).
    QCOMPARE(key("America/New_York", wall("America/New_York", 2024, 3, 10, 1, 59)), QStringLiteral("2024-03-09"));
    QCOMPARE(key("America/New_York", wall("America/New_York", 2024, 3, 10, 3, 0)), QStringLiteral("2024-03-10"));
    QCOMPARE(key("Europe/Berlin", utc(2024, 10, 27, 1, 30)), QStringLiteral("2024-10-26"));
    QCOMPARE(key("Australia/Lord_Howe", utc(2024, 4, 6, 15, 15)), QStringLiteral("2024-04-06"));

    // A Buddhist calendar writes Buddhist years; a Gregorian key read there is not converted and names another day.
    const Calendar buddhist = Calendar::make(QStringLiteral("th_TH@calendar=buddhist"), QStringLiteral("Asia/Bangkok"));
    QCOMPARE(journalDayKey(wall("Asia/Bangkok", 2024, 3, 5, 2, 59), buddhist), QStringLiteral("2567-03-04"));
    QCOMPARE(journalDayKey(wall("Asia/Bangkok", 2024, 3, 5, 3, 0), buddhist), QStringLiteral("2567-03-05"));
    QCOMPARE(dateForDayKey(QStringLiteral("2567-03-05"), buddhist), wall("Asia/Bangkok", 2024, 3, 5, 0, 0));
    QCOMPARE(dateForDayKey(QStringLiteral("2024-03-05"), buddhist)->date().year(), 2024 - 543);
}

void TestDayKey::parsing()
{
    const Calendar newYork = Calendar::make(QStringLiteral("en_US"), QStringLiteral("America/New_York"));
    // Each key and the day it names; nothing after the bar when it names none.
    for (const char* pair :
         {"2024-3-5|2024-03-05", "2024--03-05|2024-03-05", "x-2024-03-05|2024-03-05", "2024-+03-05|2024-03-05",
          "2024-13-01|2025-01-01", "2024-03-00|2024-02-29", "999-1-1|0999-01-01", "2024-03|", "2024-03-05-07|", "|",
          "2024- 03-05|", "99999999999-01-01|", "2147483647-12-31|", "99999999999999999999-01-01|"}) {
        const QStringList parts = QString::fromLatin1(pair).split(u'|');
        const std::optional<QDateTime> date = dateForDayKey(parts[0], newYork);
        QCOMPARE(date ? calendarDayKey(*date, newYork) : QString(), parts[1]);
        QVERIFY(!date || *date == newYork.startOfDay(*date));
    }
    QCOMPARE(dateForDayKey(QStringLiteral("٢٠٢٤-03-05"), newYork), std::nullopt);
}

void TestDayKey::calendarFollowsTheEnvironmentAndTheSystemZoneRules()
{
    qputenv("TZ", "Asia/Tokyo");
    qputenv("LC_ALL", "de_DE.UTF-8");
    Calendar first = Calendar::current();
    QCOMPARE(first.timeZoneId(), QStringLiteral("Asia/Tokyo"));
    QCOMPARE(first.localeId(), QStringLiteral("de_DE"));
    QCOMPARE(first.components(utc(2024, 3, 4, 16, 0)).day, 5); // 01:00 in Tokyo

    // A changed zone and locale are seen by the very next call.
    qputenv("TZ", "America/New_York");
    qputenv("LC_ALL", "th_TH.UTF-8@calendar=buddhist");
    Calendar second = Calendar::current();
    QCOMPARE(second.timeZoneId(), QStringLiteral("America/New_York"));
    QCOMPARE(second.type(), QStringLiteral("buddhist"));
    QCOMPARE(second.components(utc(2024, 3, 4, 16, 0)).hour, 11);

    // Mexico abolished daylight-saving time in October 2022; older built-in ICU data still applies it, which
    // would put 02:30 at 03:30 and file the writing under the wrong journal day.
    const Calendar mexico = Calendar::make(QStringLiteral("es_MX"), QStringLiteral("America/Mexico_City"));
    const QDateTime moment = utc(2023, 6, 15, 8, 30);
    QCOMPARE(mexico.components(moment).hour, 2);
    QCOMPARE(journalDayKey(moment, mexico), QStringLiteral("2023-06-14"));
    QCOMPARE(mexico.startOfDay(moment), utc(2023, 6, 15, 6, 0));

    // An id the system does not know still gives a working calendar.
    const Calendar unknown = Calendar::make(QStringLiteral("en_US"), QStringLiteral("Not/AZone"));
    QCOMPARE(unknown.components(utc(2024, 1, 1, 12, 0)).hour, 12);
}

void TestDayKey::daylightSavingArithmetic()
{
    // New York, 10 March 2024: a 23-hour day. Adding a day keeps the wall time.
    const Calendar newYork = Calendar::make(QStringLiteral("en_US"), QStringLiteral("America/New_York"));
    const QDateTime before = wall("America/New_York", 2024, 3, 9, 12, 0);
    QCOMPARE(newYork.adding(Calendar::Unit::day, 1, before), wall("America/New_York", 2024, 3, 10, 12, 0));
    const QDateTime dayStart = newYork.startOfDay(wall("America/New_York", 2024, 3, 10, 18, 0));
    QCOMPARE(dayStart, utc(2024, 3, 10, 5, 0));
    QCOMPARE(newYork.startOfDay(*newYork.adding(Calendar::Unit::day, 1, dayStart)), utc(2024, 3, 11, 4, 0));

    // 02:30 does not exist on 10 March 2024: it resolves to the next moment that does, 03:00 EDT.
    QCOMPARE(newYork.date(2024, 3, 10, 2, 30), utc(2024, 3, 10, 7, 0));
    // 01:30 happens twice on 3 November 2024: the first one (EDT) is taken.
    QCOMPARE(newYork.date(2024, 11, 3, 1, 30), utc(2024, 11, 3, 5, 30));

    // Chile moves its clocks at midnight: 8 September 2024 begins at 01:00.
    const Calendar santiago = Calendar::make(QStringLiteral("es_CL"), QStringLiteral("America/Santiago"));
    QCOMPARE(santiago.startOfDay(utc(2024, 9, 8, 15, 0)), utc(2024, 9, 8, 4, 0));
    QCOMPARE(dateForDayKey(QStringLiteral("2024-09-08"), santiago), utc(2024, 9, 8, 4, 0));

    // A year beyond what the calendar holds gives nothing.
    QCOMPARE(newYork.date(5'000'000'000LL, 1, 1), std::nullopt);
}

QTEST_GUILESS_MAIN(TestDayKey)
#include "TestDayKey.moc"
