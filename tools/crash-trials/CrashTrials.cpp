// SPDX-License-Identifier: GPL-3.0-or-later
// Kills the real program with SIGKILL at random moments while someone types into it, and checks after each kill
// that the journal is intact, still opens, and lost at most the writing of its last 1.2 seconds.
// Usage (inside scripts/test-session.sh): wendle-crash-trials [TRIALS]
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <sqlite3.h>

using namespace wendle;

namespace {

constexpr qint64 kAllowedLossMs = 1200;

bool run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    const bool ok = process.waitForFinished(15000) && process.exitCode() == 0;
    if (output) {
        *output = process.readAllStandardOutput();
    }
    return ok;
}

QString windowNamed(const QString& name, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    do {
        QByteArray found;
        run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--name"), name}, &found);
        const QString id = QString::fromLatin1(found).section(u'\n', 0, 0).trimmed();
        if (!id.isEmpty()) {
            return id;
        }
        QThread::msleep(50);
    } while (timer.elapsed() < timeoutMs);
    return {};
}

bool press(const QString& window, const QStringList& keys)
{
    return run(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window})
        && run(QStringLiteral("xdotool"), QStringList{QStringLiteral("key")} + keys);
}

/** A run of typing: the length of everything typed when it ended, when, and whether a long pause followed. */
struct Burst
{
    qsizetype length = 0;
    qint64 endedAt = 0;
    bool longPause = false;
};

/** What a trial found wrong, or empty. */
struct Verdict
{
    QString problem;
    QString stored;
};

Verdict inspect(const QString& path)
{
    sqlite3* db = nullptr;
    QString integrity = QStringLiteral("cannot open");
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* check = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr) == SQLITE_OK
            && sqlite3_step(check) == SQLITE_ROW) {
            integrity = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)));
        }
        sqlite3_finalize(check);
    }
    sqlite3_close(db);
    if (integrity != QLatin1String("ok")) {
        return {QStringLiteral("integrity_check: %1").arg(integrity), {}};
    }
    QString error;
    const std::unique_ptr<EntryStore> store = EntryStore::open(path, &error);
    if (!store) {
        return {QStringLiteral("the journal no longer opens: %1").arg(error), {}};
    }
    if (store->entries().empty()) {
        return {{}, {}};
    }
    QByteArray key;
    run(QStringLiteral("secret-tool"),
        {QStringLiteral("lookup"), QStringLiteral("server"), QStringLiteral("org.wendle.Wendle"),
         QStringLiteral("user"), QStringLiteral("entry-encryption-key")},
        &key);
    const std::shared_ptr<const EntryKey> entryKey = EntryKey::fromBytes(QByteArray::fromBase64(key.trimmed()));
    if (!entryKey || store->entries().size() != 1) {
        return {QStringLiteral("expected one entry and its key"), {}};
    }
    try {
        return {{}, openEntryText(store->entries().front()->cipherBody(), *entryKey)};
    } catch (const std::exception& failure) {
        return {QStringLiteral("the entry does not open: %1").arg(QString::fromUtf8(failure.what())), {}};
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("WENDLE_TEST_SESSION") || qEnvironmentVariableIsEmpty("WENDLE_TEST_PASSWORD")) {
        std::fprintf(stderr, "crash trials run only inside scripts/test-session.sh\n");
        return 2;
    }
    const int trials = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 200;
    QTemporaryDir home;
    const QString journal = home.filePath(QStringLiteral("data/wendle/journal.sqlite"));
    run(QStringLiteral("secret-tool"),
        {QStringLiteral("clear"), QStringLiteral("server"), QStringLiteral("org.wendle.Wendle"), QStringLiteral("user"),
         QStringLiteral("entry-encryption-key")});
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    QRandomGenerator random(20261207);

    QString typed;
    int failures = 0;
    qint64 worstLossMs = 0;
    for (int trial = 1; trial <= trials; ++trial) {
        QProcess wendle;
        wendle.setProcessEnvironment(environment);
        wendle.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        wendle.start(QCoreApplication::applicationDirPath() + QStringLiteral("/wendle"), {});
        const QString dialog = windowNamed(QStringLiteral("nlock your journal"), 15000);
        if (dialog.isEmpty()) {
            std::fprintf(stderr, "trial %d: no unlock question\n", trial);
            return 1;
        }
        // Given a moment to take the focus, as a person gives it, so no character of the password goes astray.
        QThread::msleep(300);
        run(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), dialog});
        run(QStringLiteral("xdotool"), {QStringLiteral("type"), qEnvironmentVariable("WENDLE_TEST_PASSWORD")});
        QElapsedTimer clock;
        clock.start();
        // One trial in eight dies while the unlock (and the first-unlock pass) is under way.
        const bool duringUnlock = trial % 8 == 0;
        const qint64 killAt = duringUnlock ? random.bounded(400) : 300 + random.bounded(5000);
        run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")});

        // Writing in bursts with short pauses, as people do; each burst is remembered with the moment it ended.
        std::vector<Burst> burstEnds;
        if (!duringUnlock) {
            if (trial == 1) {
                const QString sheet = windowNamed(QStringLiteral("^Recovery code$"), 10000);
                press(sheet, {QStringLiteral("Return")});
            }
            // Typing starts once the journal is open, as a person's would: keys pressed into the lock screen are not
            // writing, and the kill time counts from here.
            QElapsedTimer unlocking;
            unlocking.start();
            while (!windowNamed(QStringLiteral("nlock your journal"), 0).isEmpty() && unlocking.elapsed() < 10000) {
                QThread::msleep(50);
            }
            const QString window = windowNamed(QStringLiteral("^Wendle$"), 10000);
            run(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
            QThread::msleep(700);
            if (!windowNamed(QStringLiteral("nlock your journal"), 0).isEmpty()) {
                std::fprintf(stderr, "trial %d: the journal did not unlock\n", trial);
                return 1;
            }
            clock.restart();
            for (int burst = 0; clock.elapsed() < killAt; ++burst) {
                const QString words = QStringLiteral(" t%1b%2 and some words").arg(trial).arg(burst);
                QProcess type;
                type.start(QStringLiteral("xdotool"),
                           {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("12"), words});
                while (!type.waitForFinished(10) && clock.elapsed() < killAt) { }
                if (type.state() != QProcess::NotRunning) {
                    break;
                }
                typed += words;
                // A short pause runs on into the next burst; a long one lets the autosave's second pass.
                const bool longPause = random.bounded(2) == 0;
                burstEnds.push_back({typed.size(), clock.elapsed(), longPause});
                QThread::msleep(
                    static_cast<unsigned long>(longPause ? 1300 + random.bounded(500) : 200 + random.bounded(500)));
            }
        }
        while (clock.elapsed() < killAt) {
            QThread::msleep(5);
        }
        const qint64 killedAt = clock.elapsed();
        ::kill(static_cast<pid_t>(wendle.processId()), SIGKILL);
        wendle.waitForFinished(5000);

        Verdict verdict = inspect(journal);
        qsizetype due = 0;
        // Due: what was on screen when a pause long enough for the autosave began, 1.2 s or more before the kill.
        for (std::size_t i = 0; i < burstEnds.size(); ++i) {
            const bool pausedLongEnough = burstEnds[i].longPause || i + 1 == burstEnds.size();
            if (pausedLongEnough && burstEnds[i].endedAt <= killedAt - kAllowedLossMs) {
                due = burstEnds[i].length;
            }
        }
        if (verdict.problem.isEmpty() && (!typed.startsWith(verdict.stored) || verdict.stored.size() < due)) {
            QStringList ends;
            for (const Burst& burst : burstEnds) {
                ends
                    << QStringLiteral("%1@%2ms%3").arg(burst.length).arg(burst.endedAt).arg(burst.longPause ? "+" : "");
            }
            verdict.problem = QStringLiteral("stored %1 of %2 characters, %3 were due (bursts ended: %4)")
                                  .arg(verdict.stored.size())
                                  .arg(typed.size())
                                  .arg(due)
                                  .arg(ends.join(u' '));
        }
        for (const Burst& burst : burstEnds) {
            if (burst.length > verdict.stored.size()) {
                worstLossMs = std::max(worstLossMs, killedAt - burst.endedAt);
                break;
            }
        }
        if (!verdict.problem.isEmpty()) {
            ++failures;
            std::fprintf(stderr, "trial %d (killed at %lld ms): %s\n", trial, killedAt, qPrintable(verdict.problem));
        }
        // What was lost is gone: the next trial goes on from what the journal holds.
        typed = verdict.stored;
    }
    std::printf("crash trials: %d run, %d failed, worst loss %.1f s (typing since the last saved burst)\n", trials,
                failures, worstLossMs / 1000.0);
    return failures == 0 ? 0 : 1;
}
