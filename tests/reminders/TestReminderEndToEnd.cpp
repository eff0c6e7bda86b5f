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
};

namespace {

/** Runs xdotool with `command`, then `text` as one last argument; `search --sync` in it waits for the window. */
bool xdotool(const QString& command, const QString& text = {})
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), command.split(u' ') + (text.isEmpty() ? QStringList() : QStringList{text}));
    return tool.waitForFinished(15000) && tool.exitCode() == 0;
}

// The agent of this session, whether Wendle started it now or it was already running.
QByteArray queue()
{
    QFile file(qEnvironmentVariable("XDG_STATE_HOME") + QStringLiteral("/wendle/reminders.json"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void TestReminderEndToEnd::writtenDayLosesItsReminder()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("WENDLE_TEST_PASSWORD"), "run inside scripts/test-session.sh");
    QProcess::execute(QStringLiteral("secret-tool"),
                      {QStringLiteral("clear"), QStringLiteral("server"), QStringLiteral("org.wendle.Wendle"),
                       QStringLiteral("user"), QStringLiteral("entry-encryption-key")});
    // A zone where it is day, so the journal day is the calendar day and its 23:59 reminder is ahead.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const char* zone : {"Pacific/Auckland", "Asia/Tokyo", "Asia/Kolkata", "Europe/Berlin", "America/New_York",
                             "America/Los_Angeles", "Pacific/Honolulu"}) {
        const int hour = now.toTimeZone(QTimeZone(zone)).time().hour();
        if (hour >= 4 && hour <= 21) {
            qputenv("TZ", zone);
            break;
        }
    }
    const QByteArray today = "wendle.reminder." + journalDayKey(now, Calendar::current()).toUtf8() + ".primary";
    const QByteArray tomorrow
        = "wendle.reminder." + journalDayKey(now.addDays(1), Calendar::current()).toUtf8() + ".primary";

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
    wendle.start(QCoreApplication::applicationDirPath() + QStringLiteral("/wendle"), {});
    // Generous: the program and its agent start slowly on a busy machine and in a sanitized build.
    QTRY_VERIFY_WITH_TIMEOUT(queue().contains(today) && queue().contains(tomorrow), 30000);

    QVERIFY(xdotool(
        QStringLiteral("search --sync --onlyvisible --name nlock.your.journal windowfocus --sync sleep 0.3 type"),
        qEnvironmentVariable("WENDLE_TEST_PASSWORD")));
    QVERIFY(xdotool(QStringLiteral("key Return")));
    // A new journal's key: its recovery code is shown once.
    QVERIFY(xdotool(QStringLiteral("search --sync --onlyvisible --name ^Recovery.code$ windowfocus --sync")));
    QVERIFY(xdotool(QStringLiteral("key Return")));
    QVERIFY(xdotool(
        QStringLiteral("search --sync --onlyvisible --name ^Wendle$ windowfocus --sync sleep 0.5 type --delay 5"),
        QStringLiteral("one two three four five six seven eight nine ten eleven twelve thirteen "
                       "fourteen fifteen sixteen seventeen eighteen nineteen twenty")));
    // The run removes every reminder first, then adds back those of the days still open.
    QTRY_VERIFY_WITH_TIMEOUT(!queue().contains(today) && queue().contains(tomorrow), 20000);

    wendle.terminate();
    QVERIFY(wendle.waitForFinished(10000));
}

QTEST_GUILESS_MAIN(TestReminderEndToEnd)
#include "TestReminderEndToEnd.moc"
