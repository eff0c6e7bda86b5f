// SPDX-License-Identifier: GPL-3.0-or-later
// Wendle and its reminder agent in the test session: writing a day's 20 words takes that day's reminder out of
// the agent's queue and leaves the days after it.
#include "journal/Calendar.h"
#include "journal/DayKey.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

using namespace wendle;

class TestReminderEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writtenDayLosesItsReminder();

private:
    QString windowId(const QString& name, int timeoutMs = 10000);
    bool xdotool(const QStringList& arguments);
    QByteArray queue() const;
};

bool TestReminderEndToEnd::xdotool(const QStringList& arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    return tool.waitForFinished(15000) && tool.exitCode() == 0;
}

QString TestReminderEndToEnd::windowId(const QString& name, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    do {
        QProcess search;
        search.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--name"), name});
        search.waitForFinished(5000);
        const QString found = QString::fromLatin1(search.readAllStandardOutput()).split(u'\n').first().trimmed();
        if (!found.isEmpty()) {
            return found;
        }
        QTest::qWait(100);
    } while (timer.elapsed() < timeoutMs);
    return QString();
}

// The agent of this session, whether Wendle started it now or it was already running.
QByteArray TestReminderEndToEnd::queue() const
{
    QFile file(qEnvironmentVariable("XDG_STATE_HOME") + QStringLiteral("/wendle/reminders.json"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestReminderEndToEnd::writtenDayLosesItsReminder()
{
    if (qEnvironmentVariableIsEmpty("WENDLE_TEST_SESSION") || qEnvironmentVariableIsEmpty("WENDLE_TEST_PASSWORD")) {
        QFAIL("needs the test session: run inside scripts/test-session.sh");
    }
    QProcess::execute(QStringLiteral("secret-tool"),
                      {QStringLiteral("clear"), QStringLiteral("server"), QStringLiteral("org.wendle.Wendle"),
                       QStringLiteral("user"), QStringLiteral("entry-encryption-key")});
    // A zone where it is day, so the journal day is the calendar day and its 23:59 reminder is ahead.
    const QDateTime utc = QDateTime::currentDateTimeUtc();
    for (const char* zone : {"Pacific/Auckland", "Asia/Tokyo", "Asia/Kolkata", "Europe/Berlin", "America/New_York",
                             "America/Los_Angeles", "Pacific/Honolulu"}) {
        const int hour = utc.toTimeZone(QTimeZone(zone)).time().hour();
        if (hour >= 4 && hour <= 21) {
            qputenv("TZ", zone);
            break;
        }
    }
    const Calendar calendar = Calendar::current();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QString today = QStringLiteral("wendle.reminder.%1.primary").arg(journalDayKey(now, calendar));
    const QString tomorrow = QStringLiteral("wendle.reminder.%1.primary").arg(journalDayKey(now.addDays(1), calendar));

    QTemporaryDir home;
    QDir().mkpath(home.filePath(QStringLiteral("config/wendle")));
    QFile settings(home.filePath(QStringLiteral("config/wendle/wendle.conf")));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("[General]\nreminder.hour=23\nreminder.minute=59\n");
    settings.close();

    QProcess wendle;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    wendle.setProcessEnvironment(environment);
    wendle.setProcessChannelMode(QProcess::ForwardedChannels);
    wendle.start(QCoreApplication::applicationDirPath() + QStringLiteral("/wendle"), {});
    QTRY_VERIFY2_WITH_TIMEOUT(queue().contains(today.toUtf8()) && queue().contains(tomorrow.toUtf8()),
                              queue().left(300) + today.toUtf8(), 15000);

    const QString dialog = windowId(QStringLiteral("nlock your journal"));
    QVERIFY(!dialog.isEmpty());
    QTest::qWait(300);
    QVERIFY(xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), dialog}));
    QVERIFY(xdotool({QStringLiteral("type"), qEnvironmentVariable("WENDLE_TEST_PASSWORD")}));
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
    const QString sheet = windowId(QStringLiteral("^Recovery code$"));
    QVERIFY(!sheet.isEmpty());
    QVERIFY(xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), sheet}));
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
    QTRY_VERIFY_WITH_TIMEOUT(windowId(QStringLiteral("^Recovery code$"), 200).isEmpty(), 5000);

    const QString window = windowId(QStringLiteral("^Wendle$"));
    QVERIFY(xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}));
    QTest::qWait(300);
    QVERIFY(xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("5"),
                     QStringLiteral("one two three four five six seven eight nine ten eleven twelve thirteen "
                                    "fourteen fifteen sixteen seventeen eighteen nineteen twenty")}));
    // The run removes every reminder first, then adds back those of the days still open.
    QTRY_VERIFY_WITH_TIMEOUT(!queue().contains(today.toUtf8()) && queue().contains(tomorrow.toUtf8()), 10000);

    wendle.terminate();
    QVERIFY(wendle.waitForFinished(10000));
}

QTEST_GUILESS_MAIN(TestReminderEndToEnd)
#include "TestReminderEndToEnd.moc"
