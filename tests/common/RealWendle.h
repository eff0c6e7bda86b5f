// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Calendar.h"
#include "journal/DayKey.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <csignal>
#include <unistd.h>

namespace wendle::test {

/** What `program` prints to standard output; `ok` tells whether it ran and ended with status 0. */
inline QString outputOf(const QString& program, const QStringList& arguments, bool* ok = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    const bool ran
        = process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (ok) {
        *ok = ran;
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

inline bool xdotool(const QStringList& arguments)
{
    bool ok = false;
    outputOf(QStringLiteral("xdotool"), arguments, &ok);
    return ok;
}

/** The first window on screen whose title matches `name`, waited for up to `timeoutMs`; empty when none shows. */
inline QString windowId(const QString& name, int timeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    do {
        const QString found
            = outputOf(QStringLiteral("xdotool"),
                       {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), name})
                  .section(u'\n', 0, 0);
        if (!found.isEmpty()) {
            return found;
        }
        QTest::qWait(100);
    } while (timer.elapsed() < timeoutMs);
    return QString();
}

/** The windows of process `pid` that are on screen. */
inline QStringList windowsShowing(qint64 pid)
{
    return outputOf(QStringLiteral("xdotool"),
                    {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                     QString::number(pid)})
        .split(u'\n', Qt::SkipEmptyParts);
}

inline QSize windowSize(const QString& window)
{
    const QRegularExpressionMatch size
        = QRegularExpression(QStringLiteral("Geometry: (\\d+)x(\\d+)"))
              .match(outputOf(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), window}));
    return size.hasMatch() ? QSize(size.captured(1).toInt(), size.captured(2).toInt()) : QSize();
}

/**
 * What a screen reader finds in the running program `pid` (tests/app/accessible.py): "lines" lists every
 * showing object's name and text, "press NAME" presses one, "where NAME" gives its place on screen.
 */
inline QString accessible(qint64 pid, const QStringList& arguments, bool* ok = nullptr)
{
    return outputOf(QStringLiteral("/usr/bin/python3"),
                    QStringList{QStringLiteral(WENDLE_ACCESSIBLE_TOOL), QString::number(pid)} + arguments, ok);
}

/** Presses the object named `name` in the running program `pid`, as a screen reader would; true when it could. */
inline bool press(qint64 pid, const QString& name)
{
    bool pressed = false;
    accessible(pid, {QStringLiteral("press"), name}, &pressed);
    return pressed;
}

/** The system's environment with folders of their own under `home` for the variables `names`, owned by `owner`. */
inline QProcessEnvironment withFolders(const QString& home, std::initializer_list<const char*> names,
                                       uid_t owner = uid_t(-1))
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : names) {
        const QString folder = home + u'/' + QString::fromLatin1(name).toLower();
        QDir().mkpath(folder);
        [[maybe_unused]] const int owned
            = owner != uid_t(-1) ? ::chown(QFile::encodeName(folder).constData(), owner, owner) : 0;
        environment.insert(QString::fromLatin1(name), folder);
    }
    return environment;
}

constexpr uid_t nobody = 65534;

/**
 * Permissions mean nothing to root: as root, the launcher that runs a program as nobody instead, and `environment`
 * loses the test session's PAM stand-in, which cannot set itself up for another user. Empty for anyone else.
 */
inline QStringList unprivileged(QProcessEnvironment& environment)
{
    if (::geteuid() != 0) {
        return {};
    }
    for (const char* name : {"XDG_RUNTIME_DIR", "LD_PRELOAD", "PAM_WRAPPER"}) {
        environment.remove(QString::fromLatin1(name));
    }
    return {QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
            QStringLiteral("--clear-groups")};
}

/** Adds an entry of the day before, sealed with `key`, to the journal at `path`; its sealed body, empty on failure. */
inline QByteArray addYesterday(const QString& path, const QString& text, const EntryKey& key)
{
    QDir().mkpath(QFileInfo(path).path());
    auto store = EntryStore::open(path, nullptr);
    const QDateTime yesterday = QDateTime::currentDateTimeUtc().addDays(-1);
    const QByteArray body = sealEntryText(text, key);
    if (!store) {
        return {};
    }
    store->insert({yesterday, journalDayKey(yesterday, Calendar::current()), QStringLiteral("earlier"),
                   QStringLiteral("memory"), body, 3});
    return store->save() ? body : QByteArray();
}

inline QStringList keyringEntryKeyItem()
{
    return {QStringLiteral("server"), QStringLiteral("org.wendle.Wendle"), QStringLiteral("user"),
            QStringLiteral("entry-encryption-key")};
}

/** Removes Wendle's entry key from the test session's keyring, so a new journal makes its own. */
inline void clearKeyringEntryKey()
{
    outputOf(QStringLiteral("secret-tool"), QStringList{QStringLiteral("clear")} + keyringEntryKeyItem());
}

/** The entry key the test session's keyring holds for Wendle. Secret: compare and use it, never print it. */
inline std::shared_ptr<const EntryKey> keyringEntryKey()
{
    const QByteArray key = QByteArray::fromBase64(
        outputOf(QStringLiteral("secret-tool"), QStringList{QStringLiteral("lookup")} + keyringEntryKeyItem())
            .trimmed()
            .toLatin1());
    return key.size() == EntryKey::size ? EntryKey::fromBytes(key) : nullptr;
}

/** One variable of a running process's environment. */
inline QString environmentOf(qint64 pid, const QByteArray& name)
{
    QFile file(QStringLiteral("/proc/%1/environ").arg(pid));
    const QByteArray environment = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    for (const QByteArray& entry : environment.split('\0')) {
        if (entry.startsWith(name + '=')) {
            return QString::fromLocal8Bit(entry.mid(name.size() + 1));
        }
    }
    return QString();
}

/** The process id of the reminder agent that Wendle started (or found) on the session bus; 0 when there is none. */
inline qint64 reminderAgent()
{
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    const bool there = QTest::qWaitFor(
        [bus] { return bus->isServiceRegistered(QStringLiteral("org.wendle.Reminders")).value(); }, 10000);
    return there ? bus->servicePid(QStringLiteral("org.wendle.Reminders")).value() : 0;
}

/** Ends the reminder agent if this test's Wendle started it, which it did when it runs with `stateHome`. */
inline void stopReminderAgentOf(const QString& stateHome)
{
    const qint64 agent = reminderAgent();
    if (agent > 0 && environmentOf(agent, "XDG_STATE_HOME") == stateHome) {
        ::kill(pid_t(agent), SIGTERM);
    }
}

/** Starts another `wendle` with `arguments`, which hands over to the running one; true when it ends with status 0. */
inline bool handsOver(const QProcessEnvironment& environment, const QStringList& arguments = {})
{
    QProcess again;
    again.setProcessEnvironment(environment);
    again.start(QCoreApplication::applicationDirPath() + QStringLiteral("/wendle"), arguments);
    return again.waitForFinished(10000) && again.exitStatus() == QProcess::NormalExit && again.exitCode() == 0;
}

/** The `wendle` built beside the test, run in the test session and driven through the X server. */
class RealWendle
{
public:
    QProcess process;

    ~RealWendle()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }

    /**
     * Starts it with `environment` and `arguments`, through `launcher` (a command that runs the rest) when one is
     * given.
     */
    bool start(const QProcessEnvironment& environment, const QStringList& launcher = {},
               const QStringList& arguments = {})
    {
        const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/wendle");
        process.setProcessEnvironment(environment);
        if (launcher.isEmpty()) {
            process.start(program, arguments);
        } else {
            process.start(launcher.first(), launcher.mid(1) << program << arguments);
        }
        return process.waitForStarted();
    }

    /** Answers the lock screen's password question, which it asks at once. */
    bool unlock()
    {
        const QString dialog = windowId(QStringLiteral("nlock your journal"));
        QTest::qWait(300);
        if (dialog.isEmpty() || !xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), dialog})
            || !xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("5"),
                         qEnvironmentVariable("WENDLE_TEST_PASSWORD")})
            || !xdotool({QStringLiteral("key"), QStringLiteral("Return")})) {
            return false;
        }
        return QTest::qWaitFor([] { return windowId(QStringLiteral("nlock your journal"), 0).isEmpty(); }, 10000);
    }

    /** Closes the recovery code a new journal's key shows once. */
    bool dismissRecoveryCode()
    {
        const QString sheet = windowId(QStringLiteral("^Recovery code"));
        return !sheet.isEmpty() && focusAndType(sheet, QString())
            && xdotool({QStringLiteral("key"), QStringLiteral("Return")})
            && QTest::qWaitFor([] { return windowId(QStringLiteral("^Recovery code"), 0).isEmpty(); }, 5000);
    }

    /** The main window: the big one of its windows on screen (the tray icon is a window too). */
    QString mainWindow() const
    {
        for (const QString& window : windowsShowing(process.processId())) {
            if (windowSize(window).width() >= 400) {
                return window;
            }
        }
        return QString();
    }

    bool focusAndType(const QString& window, const QString& text)
    {
        if (window.isEmpty() || !xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window})) {
            return false;
        }
        QTest::qWait(300);
        return text.isEmpty()
            || xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("10"), text});
    }

    /** Return in `window`, as a user answers a message. */
    static bool confirm(const QString& window)
    {
        return !window.isEmpty() && xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window})
            && xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    }

    /** Types `text` in the main window, lets the autosave run, and quits. */
    bool writeAndQuit(const QString& text)
    {
        if (!focusAndType(mainWindow(), text)) {
            return false;
        }
        QTest::qWait(1500);
        return quit();
    }

    /** Ctrl+Q in the main window; true when Wendle then ends normally with status 0. */
    bool quit()
    {
        return focusAndType(mainWindow(), QString()) && xdotool({QStringLiteral("key"), QStringLiteral("ctrl+q")})
            && process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0;
    }
};

} // namespace wendle::test
