// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Clock.h"
#include "journal/SyncDevice.h"
#include "journal/SyncPass.h"
#include "journal/SyncRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <atomic>
#include <memory>
#include <vector>

class QThread;

namespace wendle {

class Entry;
class EntryKey;
class EntryStore;
class SyncLogWriter;

/** How sync stands, for the settings screen. */
struct SyncStatus
{
    enum class State
    {
        /** No folder is chosen. */
        off,
        /** A folder is chosen, and nothing is read or written until the journal is unlocked. */
        locked,
        /** The first pass, or a long log being read in batches. */
        syncing,
        synced,
        /** Some computers' logs stop at a record still arriving. */
        waiting,
        /** Another computer's log is sealed under another key: it belongs to another journal. */
        differentKey,
        failed,
    };
    State state = State::off;
    /** UTC; the last pass that read everything there was. */
    QDateTime lastSynced;
    /** Devices whose log stopped at a record still arriving (incomplete, unauthenticated, a gap, too long). */
    int waitingComputers = 0;
    /** Entries whose text is too long for a record (SyncRecordFormat::maxTextLength): they stay on this computer. */
    int entriesTooLong = 0;
    /** A sentence for the user when `state` is `failed`. */
    QString failure;

    friend bool operator==(const SyncStatus& a, const SyncStatus& b) = default;
};

/**
 * Keeps the journal in step with the other computers that share a sync folder (see docs/formats.md).
 *
 * Own changes: every save that changes an entry's text or credited words marks the entry in the same transaction
 * (Entry::logMark). The engine stamps each marked entry (its Lamport clock + 1, this device), appends its record to
 * this computer's log and then clears the mark through the store, so a change that a crash kept from the log is
 * appended by the next pass. When a journal first syncs through a folder, every entry goes to the log once.
 *
 * Others' changes: a pass reads each other device's log on from the cursor the journal keeps for it, on a worker
 * thread and in bounded batches, and merges each record into the entry of its global id on the GUI thread
 * (SyncMerge): the later text is current and the other kept as an earlier version, credited words follow their own
 * stamp. An incoming change never marks the entry. The cursors are saved only after the entries are.
 *
 * Passes run when the journal is unlocked, when the sync folder changes, every minute and on `syncNow`; never two at
 * once. Locking drops the key and ends the work in flight.
 */
class SyncEngine : public QObject
{
    Q_OBJECT

public:
    /** Time between passes when nothing in the folder is seen to change. */
    static constexpr int intervalMilliseconds = 60 * 1000;
    /** Records read in one batch. */
    static constexpr std::size_t batchRecords = 2000;

    /** `store` and `clock` must outlive the engine. The device id is kept at `deviceIdPath` (see SyncDevice). */
    SyncEngine(EntryStore& store, const Clock& clock = systemClock(), QObject* parent = nullptr,
               QString deviceIdPath = SyncDevice::defaultPath(),
               QString machineIdPath = SyncDevice::systemMachineIdPath);
    /** Ends the work in flight and waits for it: a pass ends at its next step. */
    ~SyncEngine() override;

    /** The folder the user chose; empty turns sync off, and nothing is written anywhere. */
    void setFolder(const QString& chosenFolder);
    QString folder() const { return m_folder; }
    /**
     * The journal is unlocked with `key`: passes start while a folder is set. A new key while unlocked (the journal
     * joined another) starts this computer's log over under it.
     */
    void unlocked(std::shared_ptr<const EntryKey> key);
    /** Drops the key, ends the work in flight and stops the timers. */
    void locked();
    /** One pass soon. */
    void syncNow();
    SyncStatus status() const { return m_status; }

Q_SIGNALS:
    void statusChanged();
    /** A pass has applied what it read, and nothing more is left to do at once. */
    void passFinished();

private:
    /** One of this computer's changes on its way to the log. */
    struct Outgoing
    {
        Entry* entry = nullptr;
        quint64 logRevision = 0;
        /** The change was marked (not a record sent again to a new log): logging it clears the mark. */
        bool marked = false;
        SyncRecord record;
    };

    bool active() const;
    void requestPass(int delayMilliseconds);
    void startPass();
    void finishPass(SyncPass::Result result, quint64 generation);
    /** Ends the pass in flight without waiting; what it did is not taken. */
    void cancelPass();
    /** Stamps the changes made here that are not on their way yet and queues their records. */
    void queueOwnChanges();
    /** Merges what was read into the store and saves it; false when the journal could not be saved. */
    [[nodiscard]] bool apply(const std::vector<SyncPass::DeviceRead>& devices);
    void applyRecord(const SyncRecord& record);
    void updateStatus(const SyncPass::Result& result, bool saved);
    void setStatus(const SyncStatus& status);
    void logConflictCopies(const std::vector<QString>& copies);
    void watch(const QStringList& paths);
    /** The Lamport clock once the own log has been read: the greatest clock of its records and of every stamp held. */
    void learnClock(quint64 ownLogClock);

    EntryStore& m_store;
    const Clock& m_clock;
    QString m_deviceIdPath;
    QString m_machineIdPath;
    QString m_folder;
    std::shared_ptr<const EntryKey> m_key;
    QByteArray m_device;
    /** The own log between passes; a pass has it while it runs. */
    std::unique_ptr<SyncLogWriter> m_ownLog;
    quint64 m_lamport = 0;
    bool m_clockKnown = false;
    /** The journal syncs through a folder for the first time: every entry goes to the log. */
    bool m_sendAll = false;
    std::vector<Outgoing> m_outgoing;
    std::vector<Outgoing> m_inFlight;
    /** The log revision of each entry whose change is queued or in flight. */
    QHash<const Entry*, quint64> m_queued;
    std::unique_ptr<QThread> m_worker;
    std::shared_ptr<std::atomic_bool> m_cancelled;
    /** Grows with every cancel, so a pass that ends afterwards is recognised as one to drop. */
    quint64 m_generation = 0;
    bool m_passWanted = false;
    QTimer m_interval;
    QTimer m_soon;
    QFileSystemWatcher m_watcher;
    QSet<QString> m_reportedConflicts;
    /** Entries whose latest text is too long to go to the log; told once each, in the log and the status. */
    QSet<const Entry*> m_tooLong;
    SyncStatus m_status;
};

} // namespace wendle
