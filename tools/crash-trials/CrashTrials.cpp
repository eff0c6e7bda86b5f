// SPDX-License-Identifier: GPL-3.0-or-later
// Kills the real program with SIGKILL, again and again, at the moments a crash would hurt most: while someone types,
// just as the autosave fires after a pause, during the first unlock while its key is made, while an older journal is
// brought up to date, and (in a child process running the program's own code) while a backup is restored, while
// the daily snapshot is written, while an earlier version of an entry is restored, and while the sync log is appended
// to or compacted. After each kill the journal
// must pass `PRAGMA integrity_check`, still open, and have lost at most the writing of its last 1.2 seconds, or hold
// all or none of the migration or the restore; every file named as a snapshot must open whole, and the snapshots
// there before must all be there unless a newer one was complete; a restored version is all there or not at all;
// the sync log opens again and reads back every change it acknowledged, whatever a reader had read before the kill.
// Usage (inside scripts/test-session.sh): wendle-crash-trials [TRIALS [KIND,...]]
//        (kinds: typing, save, unlock, migration, restore, snapshot, version, sync-append, sync-compaction;
//        all of them in turn by default)
//        wendle-crash-trials --restore JOURNAL BACKUP   (the restore a trial kills; key and passphrase on stdin)
//        wendle-crash-trials --snapshot JOURNAL FOLDER  (the snapshot a trial kills; key on stdin)
//        wendle-crash-trials --restore-version JOURNAL  (the version restore a trial kills; key on stdin)
//        wendle-crash-trials --sync-log ROOT append|compact ACKS  (the sync log a trial kills; key on stdin)
#include "SyncTrials.h"
#include "TrialJournals.h"
#include "WendleProcess.h"
#include "XDesktop.h"

#include "journal/Calendar.h"
#include "journal/EntryKeyStore.h"
#include "journal/EntryStore.h"
#include "journal/SnapshotFolder.h"
#include "journal/SnapshotThinning.h"
#include "journal/SyncFolder.h"
#include "journal/SyncLogWriter.h"
#include "transfer/JournalBackup.h"
#include "transfer/SnapshotWriter.h"
#include "writing/Autosave.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <sys/stat.h>

using namespace wendle;

namespace {

constexpr qint64 kAllowedLossMs = 1200;
constexpr int kOldEntries = 4000;
constexpr int kBackupEntries = 3000;

enum class Kind
{
    typing,
    save,
    unlock,
    migration,
    restore,
    snapshot,
    version,
    syncAppend,
    syncCompaction
};
constexpr int kKinds = 9;
const char* const kKindNames[kKinds]
    = {"typing", "save", "unlock", "migration", "restore", "snapshot", "version", "sync-append", "sync-compaction"};
/** The number of snapshots a snapshot trial finds in its folder before the new one. */
constexpr int kEarlierSnapshots = 20;

/** How one trial ended. */
struct Outcome
{
    /** What was wrong with the journal, or with the trial itself; empty when it passed. */
    QString problem;
    /** The longest pause after a key whose writing was missing at the kill. */
    qint64 lossMs = 0;
    /** What the kill left, for the tally ("old", "migrated", "everything"...). */
    QString state;
    /** When the kill landed. */
    QString when;
};

/** One kind's tally. */
struct Tally
{
    int run = 0;
    int failed = 0;
    qint64 worstLossMs = 0;
    QMap<QString, int> states;
};

/**
 * The journal's write-ahead log as the file system sees it. It changes, and while it is new, grows, as a
 * transaction is written: watching it is how a kill is aimed into the middle of a save.
 */
struct LogMark
{
    qint64 size = 0;
    qint64 modifiedNs = 0;

    bool operator==(const LogMark&) const = default;
};

LogMark logMark(const QString& journal)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(journal + QStringLiteral("-wal")).constData(), &info) != 0) {
        return {};
    }
    return {info.st_size, qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

/** Waits until `reached` holds for the log, while `running`; false when `deadline` came first. */
template <typename Reached, typename Running>
bool waitForLog(const QString& journal, Reached reached, qint64 deadline, Running running)
{
    while (monotonicMs() < deadline && running()) {
        if (reached(logMark(journal))) {
            return true;
        }
        QThread::usleep(250);
    }
    return reached(logMark(journal));
}

void sleepUntil(qint64 moment)
{
    for (qint64 now = monotonicMs(); now < moment; now = monotonicMs()) {
        QThread::usleep(static_cast<unsigned long>(std::min<qint64>(moment - now, 5) * 1000));
    }
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString openedText(const Entry& entry, const EntryKey& key, QString* problem)
{
    try {
        return openEntryText(entry.cipherBody(), key);
    } catch (const std::exception& failure) {
        *problem = QStringLiteral("an entry does not open: %1").arg(QString::fromUtf8(failure.what()));
        return {};
    }
}

/** The first checks of every trial: the file is intact and the store opens it. */
std::unique_ptr<EntryStore> openChecked(const QString& path, QString* problem)
{
    const QString integrity = integrityOf(path);
    if (integrity != QLatin1String("ok")) {
        *problem = QStringLiteral("integrity_check: %1").arg(integrity);
        return nullptr;
    }
    QString error;
    std::unique_ptr<EntryStore> store = EntryStore::open(path, &error);
    if (!store) {
        *problem = QStringLiteral("the journal no longer opens: %1").arg(error);
    }
    return store;
}

/** The trials of one run: the journals they use, and the program driven through the session's X server. */
class Trials
{
public:
    Trials(const QString& home, std::shared_ptr<const EntryKey> key)
        : m_home(home)
        , m_key(std::move(key))
        , m_random(20261207)
    {
    }

    bool prepare();
    /** Runs trial number `trial`, the `round`th of its kind (which picks where its kill is aimed). */
    Outcome run(Kind kind, int trial, int round);

private:
    QString folder(const QString& name) const { return QDir(m_home).filePath(name); }
    static QString journalIn(const QString& dataHome) { return dataHome + QStringLiteral("/wendle/journal.sqlite"); }
    Outcome writing(int trial, int round, bool aimAtSave);
    Outcome unlock(int trial, int round);
    Outcome migration(int trial, int round);
    Outcome restore(int trial, int round);
    Outcome snapshot(int trial, int round);
    Outcome versionRestore(int trial, int round);
    Outcome syncAppend(int trial, int round);
    Outcome syncCompaction(int trial, int round);
    /** Starts this program as the child of a trial, its key on standard input. */
    bool startChild(QProcess& child, const QStringList& arguments);
    /** Kills `child`; says when the kill landed relative to `started`. */
    static QString kill(QProcess& child, qint64 started, bool* finished);
    QString startUnlocked(WendleProcess& wendle, XDesktop::Window* window);

    QString m_home;
    std::shared_ptr<const EntryKey> m_key;
    QRandomGenerator m_random;
    XDesktop m_desktop;
    OldJournal m_oldJournal;
    RestoreFixture m_restore;
    VersionedJournal m_versioned;
    /** A snapshot of `m_versioned`, read back whole: what each earlier snapshot of a snapshot trial holds. */
    QByteArray m_earlierSnapshot;
    // The journal the writing trials type into, one after another, and what it held after the last of them.
    QString m_writtenText;
    qsizetype m_writtenEntries = 0;
};

bool Trials::prepare()
{
    m_oldJournal = OldJournal::write(folder(QStringLiteral("old.sqlite")), *m_key, kOldEntries);
    m_restore = RestoreFixture::write(m_home, *m_key, kBackupEntries);
    m_versioned = VersionedJournal::write(folder(QStringLiteral("versioned/wendle/journal.sqlite")), *m_key,
                                          m_restore.contents);
    if (!m_versioned.path.isEmpty()) {
        QString error;
        const std::unique_ptr<EntryStore> store = EntryStore::open(m_versioned.path, &error);
        const SnapshotOutcome written = store
            ? writeSnapshot(folder(QStringLiteral("earlier")), QDate(2024, 1, 1), store->path(), SnapshotKey(*m_key))
            : SnapshotOutcome{{}, 0, error};
        m_earlierSnapshot = written.problem.isEmpty() ? fileBytes(written.path) : QByteArray();
    }
    QString syncError;
    if (!SyncTrials::writeCompactionLog(folder(QStringLiteral("sync-compaction")), m_key, &syncError)) {
        std::fprintf(stderr, "crash trials: %s\n", qPrintable(syncError));
        return false;
    }
    return m_desktop.isOpen() && !m_oldJournal.rowsDigest.isEmpty() && !m_restore.journalPath.isEmpty()
        && !m_earlierSnapshot.isEmpty() && storeKeyringKey(*m_key);
}

Outcome Trials::run(Kind kind, int trial, int round)
{
    switch (kind) {
    case Kind::typing:
        return writing(trial, round, false);
    case Kind::save:
        return writing(trial, round, true);
    case Kind::unlock:
        return unlock(trial, round);
    case Kind::migration:
        return migration(trial, round);
    case Kind::restore:
        return restore(trial, round);
    case Kind::snapshot:
        return snapshot(trial, round);
    case Kind::version:
        return versionRestore(trial, round);
    case Kind::syncAppend:
        return syncAppend(trial, round);
    case Kind::syncCompaction:
        return syncCompaction(trial, round);
    }
    return {};
}

QString Trials::startUnlocked(WendleProcess& wendle, XDesktop::Window* window)
{
    if (!wendle.start()) {
        return QStringLiteral("the program did not start");
    }
    QString problem = wendle.answerUnlock(true);
    if (problem.isEmpty() && (*window = wendle.focusMainWindow(&problem))) {
        // The screen that replaces the lock screen takes a moment to settle before the editor takes keys.
        QThread::msleep(500);
        if (!m_desktop.hasFocus(*window) && !m_desktop.focus(*window, 3000)) {
            problem = QStringLiteral("the main window lost the focus after unlocking");
        }
    }
    return problem;
}

// Types in bursts with pauses, as people do, and kills at a random moment; or, aiming at the save, kills as the
// autosave fires after the last burst. Each key's delivery comes from the X server, so the loss is measured from
// when the writing reached the program.
Outcome Trials::writing(int trial, int round, bool aimAtSave)
{
    const QString dataHome = folder(QStringLiteral("writing"));
    const QString journal = journalIn(dataHome);
    WendleProcess wendle(m_desktop, dataHome, folder(QStringLiteral("wendle.log")));
    XDesktop::Window window = 0;
    if (const QString problem = startUnlocked(wendle, &window); !problem.isEmpty()) {
        return {problem + u'\n' + wendle.outputTail(), 0, {}, {}};
    }
    m_desktop.watchKeys(window);
    const qint64 started = monotonicMs();
    qint64 killAt = aimAtSave ? std::numeric_limits<qint64>::max() : started + 300 + m_random.bounded(4000);
    const int bursts = aimAtSave ? 1 + m_random.bounded(3) : std::numeric_limits<int>::max();
    QString typed;
    qsizetype completed = 0;
    QProcess typist;
    for (int burst = 0; burst < bursts && monotonicMs() < killAt; ++burst) {
        const QString words = QStringLiteral(" t%1b%2 and some words").arg(trial).arg(burst);
        XDesktop::startTyping(typist, words, 12);
        typed += words;
        while (!typist.waitForFinished(5) && monotonicMs() < killAt) { }
        if (typist.state() != QProcess::NotRunning) {
            break;
        }
        completed = typed.size();
        if (burst + 1 == bursts) {
            // Timed from the moment the last key arrived: as the autosave writes, around the moment it fires, or
            // around the moment the writing must be saved.
            const std::vector<XDesktop::Keystroke>& presses = m_desktop.keyPresses(std::size_t(completed), 1000);
            const qint64 paused = presses.empty() ? monotonicMs() : presses.back().at;
            if (round % 3 == 0) {
                const LogMark before = logMark(journal);
                waitForLog(
                    journal, [&](const LogMark& now) { return now != before; }, paused + kAllowedLossMs + 100,
                    [&] { return wendle.isRunning(); });
                killAt = monotonicMs();
            } else {
                killAt = paused
                    + (round % 3 == 1 ? Autosave::delayMilliseconds - 20 + m_random.bounded(80)
                                      : kAllowedLossMs - 50 + m_random.bounded(150));
            }
            break;
        }
        const bool longPause = m_random.bounded(2) == 0;
        sleepUntil(
            std::min(killAt, monotonicMs() + (longPause ? 1300 + m_random.bounded(500) : 150 + m_random.bounded(450))));
    }
    sleepUntil(killAt);
    const qint64 killedAt = wendle.kill();
    // Not one more key: the next trial's windows must get only their own.
    typist.kill();
    typist.waitForFinished(5000);
    // What reached the program is what reached its window, key by key, whatever the typing tool meant to send.
    QString sent;
    std::vector<qint64> presses;
    for (const XDesktop::Keystroke& press : m_desktop.keyPresses()) {
        if (press.text.size() == 1) {
            sent += press.text;
            presses.push_back(press.at);
        }
    }

    Outcome outcome;
    outcome.when = presses.empty() ? QStringLiteral("before any key")
                                   : QStringLiteral("%1 ms after the last key").arg(killedAt - presses.back());
    std::unique_ptr<EntryStore> store = openChecked(journal, &outcome.problem);
    if (!store) {
        return outcome;
    }
    const qsizetype entries = qsizetype(store->entries().size());
    // A new journal day gives a new entry, which starts empty.
    const QString expected = (entries == m_writtenEntries + 1 ? QString() : m_writtenText) + sent;
    const QString stored = entries == 0 ? QString() : openedText(*store->entries().back(), *m_key, &outcome.problem);
    if (entries < m_writtenEntries || entries > m_writtenEntries + 1) {
        outcome.problem = QStringLiteral("the journal went from %1 entries to %2").arg(m_writtenEntries).arg(entries);
    }
    const qsizetype base = expected.size() - sent.size();
    if (outcome.problem.isEmpty() && (!expected.startsWith(stored) || stored.size() < base)) {
        outcome.problem = QStringLiteral("the entry is not what was typed: %1 characters stored, %2 expected before "
                                         "this trial, %3 typed in it")
                              .arg(stored.size())
                              .arg(base)
                              .arg(sent.size());
    }
    // The writing saves itself once it pauses: the longest pause, until the next key or the kill, after any key
    // that is missing is the loss, and 1.2 s of it is the most allowed.
    for (qsizetype i = std::max<qsizetype>(0, stored.size() - base); i < sent.size(); ++i) {
        const qint64 pauseEnd = i + 1 < sent.size() ? presses[std::size_t(i + 1)] : killedAt;
        outcome.lossMs = std::max(outcome.lossMs, pauseEnd - presses[std::size_t(i)]);
    }
    if (outcome.problem.isEmpty() && outcome.lossMs > kAllowedLossMs) {
        outcome.problem
            = QStringLiteral("writing that had paused %1 ms before the kill is missing (%2 of %3 characters "
                             "typed in this trial are stored)")
                  .arg(outcome.lossMs)
                  .arg(stored.size() - base)
                  .arg(sent.size());
    }
    outcome.state
        = stored.size() - base == sent.size() ? QStringLiteral("all saved") : QStringLiteral("last writing unsaved");
    if (sent.size() < completed || !typed.startsWith(sent)) {
        // Keys that went to another window never reached the program; the trial goes by what did.
        outcome.state += QStringLiteral(", some keys went elsewhere");
    }
    if (!outcome.problem.isEmpty()) {
        outcome.problem += u'\n' + wendle.outputTail();
    }
    // What was lost is gone: the next trial goes on from what the journal holds.
    m_writtenText = stored;
    m_writtenEntries = entries;
    return outcome;
}

// A journal's first unlock, killed while its key is made and recorded: whatever the kill leaves must never lock
// the owner out (a key check the keyring's key cannot open).
Outcome Trials::unlock(int trial, int round)
{
    clearKeyringKey();
    const QString dataHome = folder(QStringLiteral("unlock-%1").arg(trial));
    const QString journal = journalIn(dataHome);
    Outcome outcome;
    {
        WendleProcess wendle(m_desktop, dataHome, folder(QStringLiteral("wendle.log")));
        qint64 submitted = 0;
        LogMark before;
        if (!wendle.start()) {
            outcome.problem = QStringLiteral("the program did not start");
        } else if (const QString problem = wendle.answerUnlock(false, &submitted, [&] { before = logMark(journal); });
                   !problem.isEmpty()) {
            outcome.problem = problem + u'\n' + wendle.outputTail();
        } else if (round % 2 == 0) {
            sleepUntil(submitted + m_random.bounded(40));
        } else {
            // The journal was made at start; the next thing written is the new key's check.
            waitForLog(
                journal, [&](const LogMark& now) { return now != before; }, submitted + 15000,
                [&] { return wendle.isRunning(); });
        }
        outcome.when = QStringLiteral("%1 ms after the password").arg(wendle.kill() - submitted);
    }
    std::unique_ptr<EntryStore> store = outcome.problem.isEmpty() ? openChecked(journal, &outcome.problem) : nullptr;
    const std::shared_ptr<const EntryKey> key = keyringKey();
    if (store) {
        if (!store->keyChecks().empty() && (!key || !keyBelongsToJournal(*key, *store))) {
            outcome.problem
                = QStringLiteral("locked out: the journal's key check does not open under the keyring's key");
        } else if (store->holdsSealedBodies()) {
            outcome.problem = QStringLiteral("sealed text in a journal nothing was written into");
        }
        outcome.state = !key             ? QStringLiteral("no key yet")
            : store->keyChecks().empty() ? QStringLiteral("key, check not yet recorded")
                                         : QStringLiteral("key and check");
    }
    store.reset();
    if (!storeKeyringKey(*m_key)) {
        outcome.problem += QStringLiteral(" (and the trials' key could not be put back into the keyring)");
    }
    if (outcome.problem.isEmpty()) {
        QDir(dataHome).removeRecursively();
    }
    return outcome;
}

// An older journal brought up to date at its first unlock (the key check's table, then every entry's word count),
// killed at a random moment or as the log passes a size partway through. Every entry must be as it was, and each
// step done wholly or not at all.
Outcome Trials::migration(int trial, int round)
{
    const QString dataHome = folder(QStringLiteral("migration-%1").arg(trial));
    const QString journal = journalIn(dataHome);
    Outcome outcome;
    if (!copyJournal(m_oldJournal.path, journal)) {
        return {QStringLiteral("could not copy the old journal"), 0, {}, {}};
    }
    const qint64 fileSize = QFileInfo(journal).size();
    {
        WendleProcess wendle(m_desktop, dataHome, folder(QStringLiteral("wendle.log")));
        qint64 submitted = 0;
        const int aim = round % 5;
        if (!wendle.start()) {
            outcome.problem = QStringLiteral("the program did not start");
        } else if (const QString problem = wendle.answerUnlock(false, &submitted); !problem.isEmpty()) {
            outcome.problem = problem + u'\n' + wendle.outputTail();
        } else if (aim == 0) {
            sleepUntil(submitted + m_random.bounded(400));
        } else {
            const double fraction[] = {0, 0, 0.25, 0.5, 0.85};
            const qint64 bytes = qint64(fraction[aim] * double(fileSize));
            waitForLog(
                journal, [&](const LogMark& now) { return now.size > bytes; }, submitted + 30000,
                [&] { return wendle.isRunning(); });
        }
        outcome.when = QStringLiteral("%1 ms after the password, log at %2 KB")
                           .arg(wendle.kill() - submitted)
                           .arg(logMark(journal).size / 1024);
    }
    std::unique_ptr<EntryStore> store = outcome.problem.isEmpty() ? openChecked(journal, &outcome.problem) : nullptr;
    if (!store) {
        return outcome;
    }
    const qint64 version = queryNumber(journal, "PRAGMA user_version");
    const bool hasChecks = queryNumber(journal, "SELECT count(*) FROM sqlite_schema WHERE name = 'key_checks'") == 1;
    // The upgrade adds every later table at once: one without the other is half an upgrade.
    const bool hasVersions
        = queryNumber(journal, "SELECT count(*) FROM sqlite_schema WHERE name LIKE 'entry_versions%'") == 2;
    const bool upgraded = version == EntryStore::schemaVersion && hasChecks && hasVersions;
    const std::vector<qint64> words = OldJournal::creditedWords(journal);
    const auto counted = std::count_if(words.begin(), words.end(), [&, i = std::size_t(0)](qint64 w) mutable {
        return i < m_oldJournal.words.size() && w == m_oldJournal.words[i++];
    });
    const auto uncounted = std::count(words.begin(), words.end(), 0);
    if (OldJournal::digestRows(journal) != m_oldJournal.rowsDigest) {
        outcome.problem = QStringLiteral("the entries changed");
    } else if (words.size() != m_oldJournal.words.size()
               || (counted != qsizetype(words.size()) && uncounted != qsizetype(words.size()))) {
        outcome.problem
            = QStringLiteral("words counted for %1 of %2 entries: a part of one save").arg(counted).arg(words.size());
    } else if (!((version == 1 && !hasChecks && !hasVersions) || upgraded)) {
        outcome.problem = QStringLiteral("schema version %1 %2 key checks, %3 versions")
                              .arg(version)
                              .arg(hasChecks ? "with" : "without", hasVersions ? "with" : "without");
    } else if (upgraded && !keyBelongsToJournal(*m_key, *store)) {
        outcome.problem = QStringLiteral("locked out: the recorded key check does not open under the key");
    }
    outcome.state = QStringLiteral("%1, %2").arg(
        upgraded ? QStringLiteral("schema upgraded") : QStringLiteral("old schema"),
        uncounted == 0 ? QStringLiteral("words counted") : QStringLiteral("words not counted"));
    store.reset();
    if (outcome.problem.isEmpty()) {
        QDir(dataHome).removeRecursively();
    }
    return outcome;
}

// A restore from backup, run by the program's own code in a child process, killed at a random moment or as the
// log passes a size partway through its one save: the journal holds every restored entry or none.
Outcome Trials::restore(int trial, int round)
{
    const QString dataHome = folder(QStringLiteral("restore-%1").arg(trial));
    const QString journal = journalIn(dataHome);
    if (!copyJournal(m_restore.journalPath, journal)) {
        return {QStringLiteral("could not copy the journal to restore into"), 0, {}, {}};
    }
    Outcome outcome;
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    startTool(child, QCoreApplication::applicationFilePath(),
              {QStringLiteral("--restore"), journal, m_restore.backupPath});
    if (!child.waitForStarted(10000)) {
        return {QStringLiteral("the restore did not start"), 0, {}, {}};
    }
    const qint64 started = monotonicMs();
    const QByteArray key(reinterpret_cast<const char*>(m_key->data()), m_key->length());
    child.write(key.toBase64() + '\n' + m_restore.passphrase.toUtf8() + '\n');
    child.waitForBytesWritten(5000);
    child.closeWriteChannel();
    const int aim = round % 5;
    if (aim == 0) {
        sleepUntil(started + m_random.bounded(600));
    } else {
        const double fraction[] = {0, 0, 0.25, 0.5, 0.85};
        const qint64 bytes = qint64(fraction[aim] * double(QFileInfo(m_restore.backupPath).size()));
        waitForLog(
            journal, [&](const LogMark& now) { return now.size > bytes; }, started + 30000,
            [&] { return child.state() != QProcess::NotRunning; });
    }
    const qint64 killedAt = monotonicMs();
    const bool finished = child.state() == QProcess::NotRunning;
    if (const pid_t pid = pid_t(child.processId()); pid > 0) {
        ::kill(pid, SIGKILL);
    }
    child.waitForFinished(10000);
    outcome.when = finished ? QStringLiteral("after it finished")
                            : QStringLiteral("%1 ms after it started, log at %2 KB")
                                  .arg(killedAt - started)
                                  .arg(logMark(journal).size / 1024);
    if (finished && (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)) {
        outcome.problem = QStringLiteral("the restore failed on its own (exit code %1)").arg(child.exitCode());
    }
    std::unique_ptr<EntryStore> store = openChecked(journal, &outcome.problem);
    if (!store) {
        return outcome;
    }
    const std::vector<Entry*>& entries = store->entries();
    const std::size_t before = 3;
    const std::size_t restored = entries.size() - before;
    const std::size_t keptAside = store->displacedBodies().size();
    if (restored != 0 && restored != m_restore.contents.entries.size()) {
        outcome.problem = QStringLiteral("%1 of the backup's %2 entries are in the journal")
                              .arg(restored)
                              .arg(m_restore.contents.entries.size());
    } else if (keptAside != (restored == 0 ? 0 : m_restore.contents.displaced.size())) {
        outcome.problem = QStringLiteral("%1 bodies kept aside with %2 entries restored").arg(keptAside).arg(restored);
    }
    for (std::size_t i = 0; i < restored && outcome.problem.isEmpty(); ++i) {
        const EntryRecord& record = m_restore.contents.entries[i].record;
        const Entry& entry = *entries[before + i];
        if (entry.dayKey() != record.dayKey || entry.date() != record.date
            || openedText(entry, *m_key, &outcome.problem) != record.text) {
            outcome.problem = QStringLiteral("restored entry %1 is not the backup's").arg(i + 1);
        }
    }
    outcome.state = restored == 0 ? QStringLiteral("nothing restored") : QStringLiteral("everything restored");
    store.reset();
    if (outcome.problem.isEmpty()) {
        QDir(dataHome).removeRecursively();
    }
    return outcome;
}

// Changes appended to the sync log by the program's own code in a child process, killed at a random moment while
// a reader follows: the log opens again, holds every change whose append returned (and perhaps the one under way)
// whole and in order, the reader goes on from where it was, and the next append is read after them.
Outcome Trials::syncAppend(int trial, int round)
{
    const QString root = folder(QStringLiteral("sync-append-%1").arg(trial));
    const QString acks = root + QStringLiteral(".acks");
    QProcess child;
    if (!startChild(child, {QStringLiteral("--sync-log"), root, QStringLiteral("append"), acks})) {
        return {QStringLiteral("the appends did not start"), 0, {}, {}};
    }
    const qint64 started = monotonicMs();
    SyncLogReader reader(root, SyncTrials::device, m_key);
    sleepUntil(started + 200 + m_random.bounded(200 + 300 * (round % 5)));
    const SyncLogReader::Pass early = reader.read({});
    sleepUntil(monotonicMs() + m_random.bounded(300));
    Outcome outcome;
    bool finished = false;
    outcome.when = kill(child, started, &finished);
    const qint64 acknowledged = QFileInfo(acks).size();
    if (finished) {
        outcome.problem = QStringLiteral("the appends stopped on their own (exit code %1)").arg(child.exitCode());
    }

    const auto logSize = [&] {
        qint64 size = 0;
        for (const quint32 segment : SyncFolder::segments(SyncFolder::deviceFolder(root, SyncTrials::device))) {
            size += QFileInfo(SyncFolder::segmentPath(SyncFolder::deviceFolder(root, SyncTrials::device), segment))
                        .size();
        }
        return size;
    };
    const qint64 sizeAtKill = logSize();
    SyncLogWriter writer(root, SyncTrials::device, m_key);
    QString error;
    if (!writer.open(&error)) {
        outcome.problem = QStringLiteral("the log no longer opens: %1").arg(error);
        return outcome;
    }
    const bool cut = logSize() < sizeAtKill;
    const SyncLogReader::Pass all = reader.read({});
    const auto count = qint64(all.records.size());
    if (all.stop != SyncLogReader::Stop::caughtUp || count < acknowledged || count > acknowledged + 1) {
        outcome.problem = QStringLiteral("%1 changes read back (stop %2) of %3 acknowledged")
                              .arg(count)
                              .arg(int(all.stop))
                              .arg(acknowledged);
    }
    for (qint64 i = 0; i < count && outcome.problem.isEmpty(); ++i) {
        if (!(all.records[std::size_t(i)].record == SyncTrials::appended(int(i)))) {
            outcome.problem = QStringLiteral("change %1 does not read back as written").arg(i);
        }
    }
    std::vector<SyncLogReader::Read> followed = early.records;
    const SyncLogReader::Pass rest = reader.read(early.cursor);
    followed.insert(followed.end(), rest.records.begin(), rest.records.end());
    if (outcome.problem.isEmpty() && followed.size() != all.records.size()) {
        outcome.problem = QStringLiteral("a reader that had read %1 changes ends with %2 of %3")
                              .arg(early.records.size())
                              .arg(followed.size())
                              .arg(all.records.size());
    }
    const SyncRecord next = SyncTrials::appended(int(count));
    const SyncLogReader::Pass after = writer.append(next, &error) ? reader.read(all.cursor) : SyncLogReader::Pass{};
    if (outcome.problem.isEmpty() && (after.records.size() != 1 || !(after.records.front().record == next))) {
        outcome.problem = QStringLiteral("the next append does not read back: %1").arg(error);
    }
    outcome.state = count > acknowledged ? QStringLiteral("the append under way kept")
        : cut                            ? QStringLiteral("the append under way cut off")
                                         : QStringLiteral("every acknowledged append");
    if (outcome.problem.isEmpty()) {
        QDir(root).removeRecursively();
        QFile::remove(acks);
    }
    return outcome;
}

// A compaction of the sync log by the program's own code in a child process, killed at a random moment, as its
// first new segment appears, or as the first old one goes: the log opens again, every entry's latest text reads
// back from the start, and a reader that had read half the old log before ends with the same texts.
Outcome Trials::syncCompaction(int trial, int round)
{
    const QString templateFolder
        = SyncFolder::deviceFolder(folder(QStringLiteral("sync-compaction")), SyncTrials::device);
    const QString root = folder(QStringLiteral("sync-compaction-%1").arg(trial));
    const QString deviceFolder = SyncFolder::deviceFolder(root, SyncTrials::device);
    const std::vector<quint32> old = SyncFolder::segments(templateFolder);
    QDir().mkpath(deviceFolder);
    for (const quint32 segment : old) {
        if (!QFile::copy(SyncFolder::segmentPath(templateFolder, segment),
                         SyncFolder::segmentPath(deviceFolder, segment))) {
            return {QStringLiteral("could not copy the log"), 0, {}, {}};
        }
    }
    SyncLogReader reader(root, SyncTrials::device, m_key);
    const SyncLogReader::Pass half = reader.read({}, SyncTrials::compactionRecords / 2);
    const QMap<QByteArray, QString> expected = SyncTrials::latest(reader.read({}).records);
    QProcess child;
    if (!startChild(child, {QStringLiteral("--sync-log"), root, QStringLiteral("compact"), QString()})) {
        return {QStringLiteral("the compaction did not start"), 0, {}, {}};
    }
    const qint64 started = monotonicMs();
    const auto running = [&child] { return child.state() != QProcess::NotRunning; };
    const int aim = round % 3;
    if (aim == 0) {
        sleepUntil(started + m_random.bounded(400));
    }
    while (aim != 0 && monotonicMs() < started + 30000 && running()) {
        const std::vector<quint32> now = SyncFolder::segments(deviceFolder);
        if (now.empty() || (aim == 1 ? now.back() > old.back() : now.front() != old.front())) {
            break;
        }
        QThread::usleep(100);
    }
    Outcome outcome;
    bool finished = false;
    outcome.when = kill(child, started, &finished);
    const std::vector<quint32> left = SyncFolder::segments(deviceFolder);
    outcome.state = left.empty()    ? QStringLiteral("nothing left")
        : left.front() > old.back() ? QStringLiteral("compacted")
        : left.back() == old.back() ? QStringLiteral("not begun")
                                    : QStringLiteral("under way");

    SyncLogWriter writer(root, SyncTrials::device, m_key);
    QString error;
    if (!writer.open(&error)) {
        outcome.problem = QStringLiteral("the log no longer opens: %1").arg(error);
        return outcome;
    }
    const SyncLogReader::Pass all = reader.read({});
    std::vector<SyncLogReader::Read> followed = half.records;
    const SyncLogReader::Pass rest = reader.read(half.cursor);
    followed.insert(followed.end(), rest.records.begin(), rest.records.end());
    if (all.stop != SyncLogReader::Stop::caughtUp || SyncTrials::latest(all.records) != expected) {
        outcome.problem = QStringLiteral("the log does not read back to every entry's latest text");
    } else if (rest.stop != SyncLogReader::Stop::caughtUp || SyncTrials::latest(followed) != expected) {
        outcome.problem = QStringLiteral("a reader halfway through the old log does not end with the latest texts");
    }
    if (outcome.problem.isEmpty()) {
        QDir(root).removeRecursively();
    }
    return outcome;
}

bool Trials::startChild(QProcess& child, const QStringList& arguments)
{
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    startTool(child, QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForStarted(10000)) {
        return false;
    }
    const QByteArray key(reinterpret_cast<const char*>(m_key->data()), m_key->length());
    child.write(key.toBase64() + '\n');
    child.waitForBytesWritten(5000);
    child.closeWriteChannel();
    return true;
}

QString Trials::kill(QProcess& child, qint64 started, bool* finished)
{
    const qint64 killedAt = monotonicMs();
    *finished = child.state() == QProcess::NotRunning;
    if (const pid_t pid = pid_t(child.processId()); pid > 0) {
        ::kill(pid, SIGKILL);
    }
    child.waitForFinished(10000);
    return *finished ? QStringLiteral("after it finished")
                     : QStringLiteral("%1 ms after it started").arg(killedAt - started);
}

// The daily snapshot, written by the program's own code in a child process, killed at a random moment, as its
// temporary file appears, or as it takes its name: every file named as a snapshot opens whole, the earlier ones
// are all there unless the new one was complete (then only thinning removed any), and the next write succeeds.
Outcome Trials::snapshot(int trial, int round)
{
    const QDir snapshots(folder(QStringLiteral("snapshot-%1").arg(trial)));
    const QDate today = QDate::currentDate();
    if (!snapshots.mkpath(QStringLiteral("."))) {
        return {QStringLiteral("could not make the snapshot folder"), 0, {}, {}};
    }
    std::vector<QDate> earlier;
    for (int day = 1; day <= kEarlierSnapshots; ++day) {
        earlier.push_back(today.addDays(-day));
        QFile file(snapshots.filePath(SnapshotFolder::fileName(earlier.back())));
        if (!file.open(QIODevice::WriteOnly) || file.write(m_earlierSnapshot) != m_earlierSnapshot.size()) {
            return {QStringLiteral("could not write the earlier snapshots"), 0, {}, {}};
        }
    }
    Outcome outcome;
    QProcess child;
    if (!startChild(child, {QStringLiteral("--snapshot"), m_versioned.path, snapshots.path()})) {
        return {QStringLiteral("the snapshot did not start"), 0, {}, {}};
    }
    const qint64 started = monotonicMs();
    const auto running = [&child] { return child.state() != QProcess::NotRunning; };
    const auto exists = [&snapshots](auto matches) {
        for (const QString& name : snapshots.entryList(QDir::Files | QDir::Hidden)) {
            if (matches(name)) {
                return true;
            }
        }
        return false;
    };
    const int aim = round % 3;
    const qint64 deadline = started + 30000;
    if (aim == 0) {
        sleepUntil(started + m_random.bounded(800));
    }
    while (aim != 0 && monotonicMs() < deadline && running()
           && !(aim == 1 ? exists(SnapshotFolder::isUnfinished)
                         : exists([&today](const QString& name) { return SnapshotFolder::dayOf(name) == today; }))) {
        QThread::usleep(200);
    }
    bool finished = false;
    outcome.when = kill(child, started, &finished);
    if (finished && (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)) {
        outcome.problem = QStringLiteral("the snapshot failed on its own (exit code %1)").arg(child.exitCode());
    }

    std::vector<QDate> present = SnapshotFolder::days(snapshots.path());
    const bool written = std::find(present.begin(), present.end(), today) != present.end();
    for (QDate day : present) {
        const BackupReadResult opened
            = decodeSnapshot(fileBytes(snapshots.filePath(SnapshotFolder::fileName(day))), *m_key);
        if (!opened.contents || opened.contents->entries.size() != m_versioned.entries
            || opened.contents->versions.size() != m_versioned.versions) {
            outcome.problem = QStringLiteral("the snapshot of %1 does not open whole").arg(day.toString(Qt::ISODate));
        }
    }
    // Thinning comes only after the new snapshot read back: before that every earlier one stays.
    std::vector<QDate> everything = earlier;
    everything.push_back(today);
    const std::vector<QDate> mustStay = written ? SnapshotThinning::kept(everything) : everything;
    for (QDate day : mustStay) {
        if (day != today && std::find(present.begin(), present.end(), day) == present.end()) {
            outcome.problem = QStringLiteral("the earlier snapshot of %1 is gone").arg(day.toString(Qt::ISODate));
        }
    }
    const bool thinned = present.size() < everything.size() - (written ? 0 : 1);
    outcome.state = !written ? QStringLiteral("no new snapshot")
        : thinned            ? QStringLiteral("written and thinned")
                             : QStringLiteral("written, not thinned yet");

    // The next attempt (the next unlock) succeeds, and takes the killed write's temporary file away.
    QString error;
    if (const std::unique_ptr<EntryStore> store = EntryStore::open(m_versioned.path, &error); !store) {
        outcome.problem = error;
    } else if (const SnapshotOutcome again = writeSnapshot(snapshots.path(), today, store->path(), SnapshotKey(*m_key));
               !again.problem.isEmpty() && outcome.problem.isEmpty()) {
        outcome.problem = QStringLiteral("the next snapshot failed: %1").arg(again.problem);
    } else if (exists(SnapshotFolder::isUnfinished) && outcome.problem.isEmpty()) {
        outcome.problem = QStringLiteral("a temporary file outlived the next snapshot");
    }
    if (outcome.problem.isEmpty()) {
        QDir(snapshots).removeRecursively();
    }
    return outcome;
}

// An earlier version of a long entry restored, by the program's own code in a child process, killed at a random
// moment or as the log passes a size partway through its one save: the entry holds the text it had or the restored one,
// and its versions are all there, with the replaced text as one more only when the restore is.
Outcome Trials::versionRestore(int trial, int round)
{
    const QString dataHome = folder(QStringLiteral("version-%1").arg(trial));
    const QString journal = journalIn(dataHome);
    if (!copyJournal(m_versioned.path, journal)) {
        return {QStringLiteral("could not copy the journal"), 0, {}, {}};
    }
    Outcome outcome;
    QProcess child;
    if (!startChild(child, {QStringLiteral("--restore-version"), journal})) {
        return {QStringLiteral("the version restore did not start"), 0, {}, {}};
    }
    const qint64 started = monotonicMs();
    const int aim = round % 4;
    if (aim == 0) {
        sleepUntil(started + m_random.bounded(500));
    } else {
        // Into the one save: the new body and the version it replaces are each about as long as the text.
        const double fraction[] = {0, 0.3, 0.9, 1.6};
        const qint64 bytes = qint64(fraction[aim] * double(m_versioned.currentText.toUtf8().size()));
        waitForLog(
            journal, [&](const LogMark& now) { return now.size > bytes; }, started + 30000,
            [&] { return child.state() != QProcess::NotRunning; });
    }
    bool finished = false;
    outcome.when = kill(child, started, &finished);
    if (finished && (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)) {
        outcome.problem = QStringLiteral("the version restore failed on its own (exit code %1)").arg(child.exitCode());
    }
    std::unique_ptr<EntryStore> store = openChecked(journal, &outcome.problem);
    if (!store) {
        return outcome;
    }
    const Entry& entry = *store->entries().back();
    const QString text = openedText(entry, *m_key, &outcome.problem);
    const bool restored = text == m_versioned.versionTexts.front();
    QStringList versions;
    for (const EntryStore::Version& version : store->versions(entry)) {
        const std::optional<QByteArray> body = store->versionBody(version.id);
        try {
            versions << (body ? openEntryText(*body, *m_key) : QString());
        } catch (const std::exception&) {
            versions << QString();
        }
    }
    const QStringList expected
        = restored ? QStringList{m_versioned.currentText} + m_versioned.versionTexts : m_versioned.versionTexts;
    if (!restored && text != m_versioned.currentText) {
        outcome.problem = QStringLiteral("the entry holds neither its text nor the restored version");
    } else if (versions != expected) {
        outcome.problem = QStringLiteral("%1 versions, %2 expected, or not the same texts")
                              .arg(versions.size())
                              .arg(expected.size());
    } else if (store->entries().size() != m_versioned.entries) {
        outcome.problem = QStringLiteral("the journal holds %1 entries").arg(store->entries().size());
    }
    outcome.state = restored ? QStringLiteral("version restored") : QStringLiteral("text as it was");
    store.reset();
    if (outcome.problem.isEmpty()) {
        QDir(dataHome).removeRecursively();
    }
    return outcome;
}

// The child a restore trial kills: the program's restore, from reading the backup to its one save.
int restoreChild(const QString& journal, const QString& backup)
{
    QFile input;
    input.open(stdin, QIODevice::ReadOnly);
    const std::shared_ptr<const EntryKey> key = EntryKey::fromBytes(QByteArray::fromBase64(input.readLine().trimmed()));
    const QString passphrase = QString::fromUtf8(input.readLine().trimmed());
    QFile file(backup);
    QString error;
    std::unique_ptr<EntryStore> store = EntryStore::open(journal, &error);
    if (!store || !file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "restore: %s\n", qPrintable(error));
        return 1;
    }
    const BackupReadResult read = decodeBackup(file.readAll(), passphrase);
    if (!read.contents) {
        std::fprintf(stderr, "restore: %s\n", qPrintable(backupErrorMessage(read.error)));
        return 1;
    }
    const RestorePlan plan
        = planRestore(*read.contents, *store, *key, Calendar::current(), QDateTime::currentDateTimeUtc());
    if (!applyRestore(plan, *read.contents, *store, *key, &error)) {
        std::fprintf(stderr, "restore: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}

std::shared_ptr<const EntryKey> keyFromStandardInput()
{
    QFile input;
    input.open(stdin, QIODevice::ReadOnly);
    return EntryKey::fromBytes(QByteArray::fromBase64(input.readLine().trimmed()));
}

// The child a snapshot trial kills: the program's daily snapshot, from reading the store to thinning.
int snapshotChild(const QString& journal, const QString& folder)
{
    const std::shared_ptr<const EntryKey> key = keyFromStandardInput();
    QString error;
    const std::unique_ptr<EntryStore> store = EntryStore::open(journal, &error);
    const SnapshotOutcome written
        = store ? writeSnapshot(folder, QDate::currentDate(), store->path(), SnapshotKey(*key)) : SnapshotOutcome{};
    if (!store || !written.problem.isEmpty()) {
        std::fprintf(stderr, "snapshot: %s\n", qPrintable(store ? written.problem : error));
        return 1;
    }
    return 0;
}

// The child a sync trial kills: appends to the sync log one after another, or compacts it.
int syncChild(const QString& root, const QString& what, const QString& acknowledged)
{
    return SyncTrials::child(root, what, acknowledged, keyFromStandardInput());
}

// The child a version trial kills: the reader's "Restore this version" of the journal's last entry, its newest.
int versionChild(const QString& journal)
{
    const std::shared_ptr<const EntryKey> key = keyFromStandardInput();
    QString error;
    const std::unique_ptr<EntryStore> store = EntryStore::open(journal, &error);
    if (!store || store->entries().empty()) {
        std::fprintf(stderr, "version: %s\n", qPrintable(error));
        return 1;
    }
    Entry* entry = store->entries().back();
    const std::vector<EntryStore::Version> versions = store->versions(*entry);
    const std::optional<QByteArray> body = versions.empty() ? std::nullopt : store->versionBody(versions.front().id);
    try {
        store->replaceBody(entry, sealEntryText(openEntryText(body.value(), *key), *key), *key);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "version: %s\n", failure.what());
        return 1;
    }
    return store->save() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 4 && arguments[1] == QLatin1String("--restore")) {
        return restoreChild(arguments[2], arguments[3]);
    }
    if (arguments.size() == 4 && arguments[1] == QLatin1String("--snapshot")) {
        return snapshotChild(arguments[2], arguments[3]);
    }
    if (arguments.size() == 5 && arguments[1] == QLatin1String("--sync-log")) {
        return syncChild(arguments[2], arguments[3], arguments[4]);
    }
    if (arguments.size() == 3 && arguments[1] == QLatin1String("--restore-version")) {
        return versionChild(arguments[2]);
    }
    if (qEnvironmentVariableIsEmpty("WENDLE_TEST_SESSION") || qEnvironmentVariableIsEmpty("WENDLE_TEST_PASSWORD")) {
        std::fprintf(stderr, "crash trials run only inside scripts/test-session.sh\n");
        return 2;
    }
    const int trials = arguments.size() > 1 ? arguments[1].toInt() : 200;
    std::vector<int> kinds;
    for (int kind = 0; kind < kKinds; ++kind) {
        if (arguments.size() < 3 || arguments[2].split(u',').contains(QLatin1String(kKindNames[kind]))) {
            kinds.push_back(kind);
        }
    }
    if (trials < 1 || kinds.empty()) {
        std::fprintf(stderr, "usage: wendle-crash-trials [TRIALS [KIND,...]]\n");
        return 2;
    }
    QTemporaryDir home;
    Trials run(home.path(), EntryKey::random());
    if (!run.prepare()) {
        std::fprintf(stderr, "crash trials: could not prepare the journals, the key or the X connection\n");
        clearKeyringKey();
        return 1;
    }

    Tally tallies[kKinds];
    int failures = 0;
    for (int trial = 1; trial <= trials; ++trial) {
        const int kind = kinds[std::size_t(trial - 1) % kinds.size()];
        Tally& tally = tallies[kind];
        const Outcome outcome = run.run(Kind(kind), trial, tally.run);
        ++tally.run;
        tally.worstLossMs = std::max(tally.worstLossMs, outcome.lossMs);
        ++tally.states[outcome.state];
        std::printf("trial %d %s: killed %s: %s\n", trial, kKindNames[kind], qPrintable(outcome.when),
                    qPrintable(outcome.problem.isEmpty() ? outcome.state : QStringLiteral("FAILED")));
        std::fflush(stdout);
        if (!outcome.problem.isEmpty()) {
            ++tally.failed;
            ++failures;
            std::fprintf(stderr, "trial %d (%s, killed %s): FAILED: %s\n", trial, kKindNames[kind],
                         qPrintable(outcome.when), qPrintable(outcome.problem));
        }
        std::fflush(stderr);
    }
    clearKeyringKey();

    QStringList losses;
    for (int kind = 0; kind < kKinds; ++kind) {
        const Tally& tally = tallies[kind];
        if (tally.run == 0) {
            continue;
        }
        QStringList states;
        for (auto state = tally.states.cbegin(); state != tally.states.cend(); ++state) {
            states << QStringLiteral("%1: %2").arg(state.key()).arg(state.value());
        }
        std::printf("  %-15s %3d run, %d failed, worst loss %.2f s (%s)\n", kKindNames[kind], tally.run, tally.failed,
                    double(tally.worstLossMs) / 1000.0, qPrintable(states.join(QStringLiteral("; "))));
        losses << QStringLiteral("%1 %2 s")
                      .arg(QLatin1String(kKindNames[kind]))
                      .arg(double(tally.worstLossMs) / 1000.0, 0, 'f', 2);
    }
    std::printf("crash trials: %d run, %d failed; worst loss (longest pause after writing that was "
                "missing at the kill, 1.2 s allowed): %s\n",
                trials, failures, qPrintable(losses.join(QStringLiteral(", "))));
    return failures == 0 ? 0 : 1;
}
