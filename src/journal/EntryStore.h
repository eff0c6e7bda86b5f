// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Clock.h"
#include "journal/Entry.h"
#include "journal/JournalFile.h"
#include "journal/SyncLogReader.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QThread;
struct sqlite3_stmt;

namespace wendle {

class Calendar;
class EntryKey;

/**
 * The journal's entries: one SQLite file (see JournalFile), whose entries' fields are loaded into memory when
 * it opens, while each sealed body is read when something first asks for it; changes are written back by
 * `save()`. This is the one place entries are read and changed; every screen works on the entries it hands out
 * and redraws on `changed()`.
 *
 * Nothing written is given up: a failed save keeps its changes pending and is tried again every five seconds
 * until it succeeds; the next save (or closing the store) writes them too. A body that no longer opens under the
 * current key is kept aside in the same file before anything replaces it; one that opens becomes an earlier
 * version of its entry, thinned as VersionThinning says. A file that is not a Wendle journal, or is
 * from a newer version, is never touched.
 */
class EntryStore : public QObject
{
    Q_OBJECT

public:
    /** The schema version this build writes. */
    static constexpr int schemaVersion = JournalFile::schemaVersion;
    /** How far the whole-file check has got: a refused file is damaged, or could not be opened for writing. */
    enum class Integrity
    {
        unchecked,
        sound,
        refused
    };
    /** How long after a failed save the store tries again on its own. */
    static constexpr int retryMilliseconds = 5000;

    /** A sealed body that was replaced while it could not be opened, kept for recovery. */
    struct DisplacedBody
    {
        /** The row id of the entry it was kept for; 0 while that entry is not saved yet. */
        qint64 entryId = 0;
        /** The entry it was kept for. */
        const Entry* entry = nullptr;
        QByteArray cipherBody;
        QDateTime displacedAt;
    };

    /** An earlier text of an entry, kept when a save replaced it; its sealed body stays in the file until asked for. */
    struct Version
    {
        qint64 id = 0;
        /** When the save that replaced it was written (UTC): the last moment it was the entry's text. */
        QDateTime savedAt;
        qint64 wordCount = 0;
    };

    /** `$XDG_DATA_HOME/wendle/journal.sqlite`. */
    static QString defaultPath();

    /**
     * Opens the journal at `path`, creating it (folder 0700, file 0600) when it does not exist. `clock` dates
     * what the store itself records and must outlive it. On failure returns null and sets `error` to a sentence
     * naming the file.
     */
    static std::unique_ptr<EntryStore> open(const QString& path, QString* error, const Clock& clock = systemClock());
    /**
     * Opens as `open` does after only the checks that cost the same for any file (header, schema version, tables
     * and columns). The two costs that grow with the journal, the whole-file check and reading the entries, are
     * left to `checkIntegrity`: until it has found the file sound the store holds no entries and writes nothing
     * to the file (no log switch, no new tables, no upgrade, no save).
     */
    static std::unique_ptr<EntryStore> openUnchecked(const QString& path, QString* error,
                                                     const Clock& clock = systemClock());

    /** Writes any pending changes one last time. */
    ~EntryStore() override;

    QString path() const;

    /**
     * Checks the whole file and reads its entries on a worker thread; `integrityChecked` follows on this thread.
     * A sound file's entries are then in the store and the file is opened for writing; a refused one is never
     * written to.
     */
    void checkIntegrity();
    Integrity integrity() const { return m_integrity; }
    /** Why the file is refused, once `integrity` is `refused`: a sentence naming the file. */
    QString refusal() const { return m_refusal; }

    /** All entries in store order (the order they were first inserted). */
    const std::vector<Entry*>& entries() const { return m_order; }
    /** All entries by `date`, newest first. */
    std::vector<Entry*> entriesNewestFirst() const;
    /** The first entry, in store order, of a day and prompt id; null when there is none. */
    Entry* firstEntry(const QString& dayKey, const QString& promptID) const;

    /** The entry with this global id; null when there is none. */
    Entry* entryWithGlobalId(const QByteArray& globalId) const { return m_byGlobalId.value(globalId); }

    /** Adds an entry; it is written by the next save. */
    Entry* insert(const NewEntry& fields);
    /** Adds several entries, in order, with one `changed()` for all of them: for restores and imports. */
    std::vector<Entry*> insert(const std::vector<NewEntry>& fields);
    void setCreditedWords(Entry* entry, qint64 words);
    /**
     * Gives an entry a new sealed body. If the current body does not open under `key`, it is first kept
     * aside (see `displacedBodies`), so replacing an unreadable body never destroys it. If it opens and its text
     * differs, the body the file holds becomes an earlier version (see `versions`) when the new one is saved.
     * The same text again changes nothing.
     */
    void replaceBody(Entry* entry, const QByteArray& cipherBody, const EntryKey& key);
    /** Keeps a body aside for `entry` as `replaceBody` would have; for bodies brought back from a backup. */
    void keepAside(Entry* entry, const QByteArray& cipherBody, const QDateTime& displacedAt);
    /**
     * Adds an earlier version to `entry` as it was saved at `savedAt`, written by the next save with the entry;
     * for versions brought back from a backup. It is not thinned now: the entry's next replaced save thins it
     * with the others.
     */
    void addVersion(Entry* entry, const QByteArray& cipherBody, const QDateTime& savedAt, qint64 wordCount);

    /**
     * While one lives, the store's changes are announced with one `changed()` when the last one goes: for many
     * changes in a row, as when sync brings in another computer's.
     */
    class ChangeGroup
    {
    public:
        explicit ChangeGroup(EntryStore& store);
        ~ChangeGroup();
        ChangeGroup(const ChangeGroup&) = delete;
        ChangeGroup& operator=(const ChangeGroup&) = delete;

    private:
        EntryStore& m_store;
    };

    /**
     * The entries whose latest change made here is saved but not yet in this computer's sync log (see
     * `Entry::logMark`), and those that never reached one (no stamp): a journal's entries before sync was first
     * turned on. In store order.
     */
    std::vector<Entry*> entriesAwaitingLog() const;
    /**
     * Gives the entry the stamps of the record about to go to the sync log for its change. They are kept in memory
     * only, written with the entry's next save: until the change is logged a restart stamps it anew.
     */
    void setSyncStamps(Entry* entry, const SyncStamp& stamp, const SyncStamp& creditStamp);
    /**
     * The entry's change of `logRevision` is in the sync log: its mark is cleared by the next save, with its stamps.
     * A change made since keeps the mark.
     */
    void markLogged(Entry* entry, quint64 logRevision);
    /**
     * Another computer's later text of the entry, stamped `stamp`, becomes current as `replaceBody` would make it,
     * without marking the entry for this computer's log. The text it replaces is kept as an earlier version when
     * it differs, even one not yet saved: it was current somewhere.
     */
    void takeSyncedBody(Entry* entry, const QByteArray& cipherBody, const EntryKey& key, const SyncStamp& stamp);
    /** Another computer's later credited words; not marked for this computer's log. */
    void takeSyncedCredit(Entry* entry, qint64 words, const SyncStamp& creditStamp);
    /** Where reading each other computer's sync log goes on, by device id; none for a device never read. */
    QHash<QByteArray, SyncCursor> syncCursors() const;
    /**
     * Records where reading the given devices' logs goes on, at once in its own transaction (an older journal is
     * brought up as by `addKeyCheck`). Only after what was read up to there is saved.
     */
    [[nodiscard]] bool setSyncCursors(const QHash<QByteArray, SyncCursor>& cursors);

    /**
     * Writes every pending change, in one transaction when it can; when that fails, entry by entry, so one
     * entry that cannot be written holds back no other. Returns whether nothing is left pending. Before the file
     * is found sound, changes stay pending and are written as soon as it is.
     */
    [[nodiscard]] bool save();
    bool hasUnsavedChanges() const;
    /** Why the last save left changes pending, in a few words ("the disk is full"); empty when it did not. */
    QString saveFailure() const { return m_saveFailure; }

    /** Grows by one with every insert or change, so callers can tell whether what they computed is stale. */
    quint64 revision() const { return m_revision; }

    /** Every body kept aside, oldest first, including those not yet saved. */
    std::vector<DisplacedBody> displacedBodies() const;

    /** The entry's earlier versions as the file holds them, newest first; none before its first replaced save. */
    std::vector<Version> versions(const Entry& entry) const;
    /** A version's sealed body, read from the file; nothing when the file cannot give it. */
    std::optional<QByteArray> versionBody(qint64 versionId) const;

    /** The journal holds sealed text: an entry, or a body kept aside. */
    bool holdsSealedBodies() const;
    /**
     * The key checks, oldest first: each a fixed value sealed under a key this journal has used, so a key can
     * be recognised as this journal's before anything is written with it.
     */
    const std::vector<QByteArray>& keyChecks() const { return m_keyChecks; }
    /**
     * Records a key check at once, in its own transaction. An older journal is brought up to the current schema
     * version in the same transaction (as it is by a save); its entries are not touched.
     */
    [[nodiscard]] bool addKeyCheck(const QByteArray& sealedCheck);
    /** The words the user added to the spelling dictionary, each sealed like an entry's text; oldest first. */
    const std::vector<QByteArray>& sealedOwnWords() const { return m_ownWords; }
    /** Records a sealed word at once, in its own transaction, bringing an older journal up as `addKeyCheck` does. */
    [[nodiscard]] bool addOwnWord(const QByteArray& sealedWord);
    /**
     * Gives a sealed value, under a new key, for one sealed under the old; nothing for one the old key does not open.
     * It throws when it cannot seal.
     */
    using Reseal = std::function<std::optional<QByteArray>(const QByteArray& sealed)>;
    /**
     * Seals again everything the journal holds under one key (entries, earlier versions, bodies kept aside, own
     * words and key checks): each value that `reseal` turns into another is replaced by it, all in one
     * transaction, after the pending changes are saved. False, and nothing changed, when any of it cannot be read
     * or written.
     */
    [[nodiscard]] bool resealAll(const Reseal& reseal);
    /** The schema version of the file as it is now on disk. */
    int storedSchemaVersion() const;

Q_SIGNALS:
    /** Entries were inserted or changed. */
    void changed();
    /** A save left changes pending, or a later one wrote them all: `saveFailure()` has changed. */
    void saveFailureChanged();
    /** The whole-file check has ended: `integrity()` says how. */
    void integrityChecked();
    /** A save wrote changes to the file. */
    void saved();

private:
    friend class Entry;
    EntryStore(std::unique_ptr<JournalFile> file, const Clock& clock);

    struct PendingDisplaced
    {
        Entry* entry = nullptr;
        /** Nothing when the body could not be read: the row's own body is copied aside in the file. */
        std::optional<QByteArray> cipherBody;
        QDateTime displacedAt;
    };

    /** A replaced body waiting for the save that replaces it in the file. */
    struct PendingVersion
    {
        Entry* entry = nullptr;
        QByteArray cipherBody;
        qint64 wordCount = 0;
    };

    /** A version brought back from a backup, waiting for the save that writes its entry. */
    struct RestoredVersion
    {
        Entry* entry = nullptr;
        QByteArray cipherBody;
        QDateTime savedAt;
        qint64 wordCount = 0;
    };

    enum class Written
    {
        yes,
        refused,
        notStarted
    };

    /** What the whole-file check and the reading of the entries found. */
    struct Reading
    {
        /** Why the file is refused; empty when it is sound. */
        QString refusal;
        std::vector<std::unique_ptr<Entry>> entries;
        std::vector<QByteArray> keyChecks;
        std::vector<QByteArray> ownWords;
        qint64 displacedCount = 0;
    };

    /** Checks `file` whole and reads its entries' fields; touches nothing else, so it may run on any thread. */
    static Reading read(const JournalFile& file);
    /** Takes a sound file's entries and opens it for writing, or refuses it. */
    void finishCheck(Reading reading);
    /**
     * An entry's sealed body, read from its row the first time; nothing (and a line in the system log) when the
     * file cannot give it.
     */
    const std::optional<QByteArray>& loadBody(const Entry& entry);
    std::optional<QByteArray> readRowBody(qint64 id) const;
    Entry* add(const NewEntry& fields);
    /** Marks the entry for this computer's sync log with `bits` (`Entry::LogMark`). */
    void markForLog(Entry* entry, quint8 bits);
    /** Replaces the body as `replaceBody` says; `keepUnsaved` keeps a replaced text even when it was never saved. */
    void swapBody(Entry* entry, const QByteArray& cipherBody, const EntryKey& key, bool keepUnsaved);
    Written writeTogether(std::vector<Entry*> entries);
    /** Runs `write` in a transaction of its own, the schema brought up first; commits only what all succeeded. */
    [[nodiscard]] bool writeAlone(const std::function<bool()>& write);
    /** Brings an older file up to date inside the open transaction, global ids and all; false when that fails. */
    [[nodiscard]] bool bringSchemaUp();
    /** After the commit of `bringSchemaUp`: entries without a global id take the one the file gave them. */
    void adoptGlobalIds();
    std::optional<qint64> writeEntry(const Entry& entry);
    [[nodiscard]] bool writeDisplaced(const Entry& entry, qint64 id);
    /** Writes the entry's replaced body as a version, if the thinning keeps it, and thins its other versions. */
    [[nodiscard]] bool writeVersions(const Entry& entry);
    [[nodiscard]] bool writeRestoredVersions(const Entry& entry, qint64 id);
    /** The user's calendar as it is now, for the thinning's journal days; a new one forgets the days below. */
    const Calendar& currentCalendar();
    /**
     * The journal day of `moment` in `calendar` (the current one). Each save thins the same versions again, and a
     * day costs the calendar several microseconds, so days are remembered while the user's calendar stays the same.
     */
    QString journalDayOf(const QDateTime& moment, const Calendar& calendar);
    /**
     * Reseals one column of every row of `table` inside the open transaction; `row` is told each row's id, value as
     * it now is and whether it was resealed, in id order.
     */
    [[nodiscard]] bool resealColumn(const char* table, const char* column, const Reseal& reseal,
                                    const std::function<void(qint64, const QByteArray&, bool)>& row);
    void rollBack();
    /** A prepared statement kept for the connection's life, reset and unbound. */
    sqlite3_stmt* statement(int index, const char* sql) const;
    void finalizeStatements();
    void markDirty(Entry* entry);
    void announceChange();

    std::unique_ptr<JournalFile> m_file;
    const Clock& m_clock;
    Integrity m_integrity = Integrity::unchecked;
    QString m_refusal;
    std::unique_ptr<QThread> m_checker;
    std::vector<std::unique_ptr<Entry>> m_owned;
    std::vector<Entry*> m_order;
    QHash<QByteArray, Entry*> m_byGlobalId;
    std::vector<Entry*> m_dirty;
    std::vector<PendingDisplaced> m_pendingDisplaced;
    std::vector<PendingVersion> m_pendingVersions;
    std::vector<RestoredVersion> m_restoredVersions;
    std::unique_ptr<Calendar> m_calendar;
    QHash<qint64, QString> m_journalDays;
    /** A save has committed under the current schema version, so later ones need not ask the file. */
    bool m_schemaCurrent = false;
    /** The open transaction gave entries global ids, to be adopted once it commits. */
    bool m_idsToAdopt = false;
    std::vector<QByteArray> m_keyChecks;
    std::vector<QByteArray> m_ownWords;
    QString m_saveFailure;
    QTimer m_retry;
    qint64 m_storedDisplacedCount = 0;
    quint64 m_revision = 0;
    /** Open ChangeGroups, and whether a change waits for the last of them to go. */
    int m_groupDepth = 0;
    bool m_changedInGroup = false;
    mutable sqlite3_stmt* m_statements[15] = {};
};

} // namespace wendle
