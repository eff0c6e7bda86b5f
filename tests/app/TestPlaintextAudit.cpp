// SPDX-License-Identifier: GPL-3.0-or-later
// What is written stays sealed: the real program is written to on the Today screen and in the tray panel, the
// entry is read back in History, and no word of it may turn up in any file the program or its reminder agent
// could have left, nor in anything they printed. The day's words take its reminder out of the agent's queue.
// The process keeps its memory to itself as well.
#include "journal/EntryStore.h"

#include "RealWendle.h"
#include "TempJournal.h"
#include "TrayHost.h"

#include <QDateTime>
#include <QDirIterator>
#include <QRandomGenerator>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

using namespace wendle;
using namespace wendle::test;

namespace {

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WENDLE_ADDRESS_SANITIZER
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(WENDLE_ADDRESS_SANITIZER)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

/** A word nobody else writes: wherever it turns up, it came from this run. */
QString uniqueWord()
{
    QString word = QStringLiteral("zq");
    for (int i = 0; i < 12; ++i) {
        word += QChar(u'a' + QRandomGenerator::system()->bounded(26));
    }
    return word;
}

/** Whether `bytes` hold one of `words`, as UTF-8 or as UTF-16. */
bool holdsAny(const QByteArray& bytes, const QStringList& words)
{
    return std::any_of(words.begin(), words.end(), [&](const QString& word) {
        const QByteArray utf16(reinterpret_cast<const char*>(word.utf16()), word.size() * 2);
        return bytes.contains(word.toUtf8()) || bytes.contains(utf16);
    });
}

/** The files under `folder`, hidden ones too, changed since `since` (when given), that hold one of `words`. */
QStringList filesHolding(const QString& folder, const QStringList& words, const QDateTime& since = {})
{
    QStringList found;
    QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QFileInfo file(files.next());
        if ((!since.isValid() || file.lastModified() >= since) && file.size() < (64 << 20)
            && holdsAny(fileBytes(file.filePath()), words)) {
            found << file.filePath();
        }
    }
    return found;
}

/**
 * The files holding one of `words`: any under `home`, and those changed since `since` in the shared temporary
 * folders and the test session's own.
 */
QStringList leakedFiles(const QString& home, const QStringList& words, const QDateTime& since)
{
    QStringList found = filesHolding(home, words);
    for (const QString& folder :
         QSet<QString>{QStringLiteral("/tmp"), QDir::tempPath(), qEnvironmentVariable("WENDLE_TEST_SESSION")}) {
        found += filesHolding(folder, words, since);
    }
    found.removeDuplicates();
    return found;
}

/** A "Name:   value kB" line of the kernel's /proc/PID/status, in kB; -1 when it is missing. */
qint64 statusKilobytes(qint64 pid, const QByteArray& field)
{
    for (const QByteArray& line : fileBytes(QStringLiteral("/proc/%1/status").arg(pid)).split('\n')) {
        if (line.startsWith(field + ':')) {
            return line.mid(field.size() + 1).trimmed().split(' ').first().toLongLong();
        }
    }
    return -1;
}

uid_t ownerOf(const QString& path)
{
    struct stat info
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_uid : uid_t(-1);
}

} // namespace

class TestPlaintextAudit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void noWrittenWordLeavesTheSealedJournal();
    void processMemoryIsClosedToOtherProcesses();

private:
    std::optional<TrayHost> m_tray;
};

void TestPlaintextAudit::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("WENDLE_TEST_SESSION")) {
        QFAIL("needs the test session: run inside scripts/test-session.sh");
    }
    clearKeyringEntryKey();
    m_tray.emplace();
    QVERIFY2(m_tray->isReady(), "trayer did not start (scripts/install-deps.sh installs it)");
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
}

void TestPlaintextAudit::noWrittenWordLeavesTheSealedJournal()
{
    const QDateTime since = QDateTime::currentDateTime().addSecs(-2);
    QTemporaryDir home;
    // A zone where it is about noon, so the journal day is the calendar day and a 23:59 reminder is still ahead.
    const int offset = 12 - QDateTime::currentDateTimeUtc().time().hour();
    // (POSIX's signs: Etc/GMT-12 is twelve hours ahead.)
    qputenv("TZ",
            QStringLiteral("Etc/GMT%1%2")
                .arg(offset > 0 ? QStringLiteral("-") : QStringLiteral("+"))
                .arg(std::abs(offset))
                .toLatin1());
    QProcessEnvironment environment = withFolders(
        home.path(), {"HOME", "TMPDIR", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"});
    QSettings settings(environment.value(QStringLiteral("XDG_CONFIG_HOME")) + QStringLiteral("/wendle/wendle.conf"),
                       QSettings::IniFormat);
    settings.setValue(QStringLiteral("reminder.hour"), 23);
    settings.setValue(QStringLiteral("reminder.minute"), 59);
    settings.sync();
    const QString todayWord = uniqueWord();
    const QString trayWord = uniqueWord();
    const QStringList words{todayWord, trayWord};
    // The program's journal days, counted in its zone (a fixed offset) from 03:00; this process may have read
    // its own zone before TZ changed.
    const QDate journalDay = QDateTime::currentDateTimeUtc().toOffsetFromUtc(offset * 3600).addSecs(-3 * 3600).date();
    const auto reminderFor
        = [](QDate day) { return "wendle.reminder." + day.toString(Qt::ISODate).toUtf8() + ".primary"; };
    const QByteArray today = reminderFor(journalDay);
    const QByteArray tomorrow = reminderFor(journalDay.addDays(1));

    RealWendle wendle;
    wendle.process.setProcessChannelMode(QProcess::SeparateChannels);
    QVERIFY(wendle.start(environment));
    const qint64 pid = wendle.process.processId();
    // The reminder agent Wendle started (or found) on the session bus, and the queue it keeps. Generous: the
    // program and its agent start slowly on a busy machine and in a sanitized build.
    const QString queue = environmentOf(reminderAgent(), "XDG_STATE_HOME") + QStringLiteral("/wendle/reminders.json");
    QTRY_VERIFY_WITH_TIMEOUT(fileBytes(queue).contains(today) && fileBytes(queue).contains(tomorrow), 30000);
    QVERIFY(wendle.unlock());
    QVERIFY(wendle.dismissRecoveryCode());
    // The day's 20 words: the run removes every reminder first, then adds back those of the days still open.
    QVERIFY(wendle.focusAndType(wendle.mainWindow(),
                                QStringLiteral("Morning %1 by the window, %2.").arg(todayWord, test::words(18))));
    QTRY_VERIFY_WITH_TIMEOUT(!fileBytes(queue).contains(today) && fileBytes(queue).contains(tomorrow), 20000);
    QTest::qWait(1500);

    // The tray icon is one of Wendle's windows, a small one in the tray; a click on it opens the panel.
    const QStringList before = windowsShowing(pid);
    const auto icon = std::find_if(before.begin(), before.end(),
                                   [](const QString& window) { return windowSize(window).width() < 64; });
    QVERIFY2(icon != before.end(), "no tray icon");
    QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), *icon, QStringLiteral("8"),
                     QStringLiteral("8"), QStringLiteral("click"), QStringLiteral("1")}));
    const auto newWindow = [&] {
        const QStringList now = windowsShowing(pid);
        const auto added = std::find_if(now.begin(), now.end(), [&](const QString& w) { return !before.contains(w); });
        return added == now.end() ? QString() : *added;
    };
    QTRY_VERIFY_WITH_TIMEOUT(!newWindow().isEmpty(), 5000);
    const QString panel = newWindow();
    QVERIFY(wendle.focusAndType(panel, QStringLiteral(" Later %1 from the tray.").arg(trayWord)));
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Escape")}));
    QTest::qWait(500);

    // History: the entry opens in the reader, with both words in it.
    QVERIFY(wendle.focusAndType(wendle.mainWindow(), QString()));
    // The day number, named with what it reads: "day 1, history".
    QVERIFY(press(pid,
                  accessible(pid, {QStringLiteral("lines")})
                      .split(u'\n')
                      .filter(QRegularExpression(QStringLiteral("^day \\d+, history$")))
                      .value(0)));
    QStringList list;
    QTRY_VERIFY_WITH_TIMEOUT(
        (list = accessible(pid, {QStringLiteral("where"), QStringLiteral("entries")}).split(u' ')).size() == 4, 5000);
    QVERIFY(xdotool({QStringLiteral("mousemove"), QString::number(list[0].toInt() + list[2].toInt() / 2),
                     QString::number(list[1].toInt() + 10), QStringLiteral("click"), QStringLiteral("1")}));
    QTRY_VERIFY_WITH_TIMEOUT(accessible(pid, {QStringLiteral("lines")}).contains(QStringLiteral("entry text")), 5000);
    const QString reader = accessible(pid, {QStringLiteral("lines")});
    QVERIFY(reader.contains(todayWord) && reader.contains(trayWord));

    // While it runs: its key pages are locked in memory, and nothing it wrote holds a word.
    // AddressSanitizer turns mlock into a no-op, so a sanitized build cannot show locked pages.
    if (!kAddressSanitizer) {
        QVERIFY(statusKilobytes(pid, "VmLck") > 0);
    }
    QCOMPARE(leakedFiles(home.path(), words, since), QStringList());

    QVERIFY(accessible(pid, {QStringLiteral("press"), QStringLiteral("close")}).isEmpty());
    QVERIFY(wendle.quit());
    QVERIFY(!holdsAny(wendle.process.readAllStandardOutput() + wendle.process.readAllStandardError(), words));
    QCOMPARE(leakedFiles(home.path(), words, since), QStringList());
    QVERIFY(!holdsAny(fileBytes(queue), words));
    stopReminderAgentOf(environment.value(QStringLiteral("XDG_STATE_HOME")));

    // The words are in the journal all the same, sealed.
    const auto key = keyringEntryKey();
    QVERIFY(key);
    auto store
        = EntryStore::open(environment.value(QStringLiteral("XDG_DATA_HOME")) + "/wendle/journal.sqlite", nullptr);
    QVERIFY(store && store->entries().size() == 1);
    const QString stored = openEntryText(store->entries().front()->cipherBody(), *key);
    QVERIFY(stored.contains(todayWord) && stored.contains(trayWord));
}

void TestPlaintextAudit::processMemoryIsClosedToOtherProcesses()
{
    // Root may read any process, so as root Wendle runs as an unprivileged user and is looked at as that user.
    QTemporaryDir home;
    ::chmod(QFile::encodeName(home.path()).constData(), 0755);
    QProcessEnvironment environment
        = withFolders(home.path(), {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"},
                      ::geteuid() == 0 ? nobody : uid_t(-1));
    const QStringList launcher = unprivileged(environment);
    RealWendle wendle;
    QVERIFY(wendle.start(environment, launcher));
    const qint64 pid = wendle.process.processId();
    QTRY_VERIFY_WITH_TIMEOUT(!windowsShowing(pid).isEmpty(), 10000);

    // The kernel hands a process that is not dumpable to root: its /proc files are root's, not its user's,
    // and another process of that same user cannot read them.
    QCOMPARE(ownerOf(QStringLiteral("/proc/%1/environ").arg(pid)), uid_t(0));
    QProcess peer;
    peer.setStandardOutputFile(QProcess::nullDevice());
    const QStringList read{QStringLiteral("cat"), QStringLiteral("/proc/%1/environ").arg(pid)};
    const QStringList command = launcher + read;
    peer.start(command.first(), command.mid(1));
    QVERIFY(peer.waitForFinished(10000));
    QVERIFY(peer.exitCode() != 0);

    wendle.process.terminate();
    QVERIFY(wendle.process.waitForFinished(10000));
}

QTEST_MAIN(TestPlaintextAudit)
#include "TestPlaintextAudit.moc"
