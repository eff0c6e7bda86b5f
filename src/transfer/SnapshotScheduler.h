// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Preferences.h"

#include <QDate>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <memory>

class QThread;

namespace wendle {

class Clock;
class EntryKey;
class EntryStore;
class SnapshotKey;
struct SnapshotOutcome;

/**
 * The daily snapshot: once a day, at an unlock (and, while the journal stays unlocked, once the day has turned),
 * writes the journal's entries and their earlier versions into the snapshot folder, sealed under its key. Here
 * the store only saves what is pending; reading the file, sealing, writing, syncing and reading back run on a
 * worker with its own copy of the key. Nothing is written while "Keep snapshots" is off or the journal holds no
 * entry. A snapshot that fails is tried again at the next unlock, not before, and `problem` says why meanwhile.
 */
class SnapshotScheduler : public QObject
{
    Q_OBJECT

public:
    /** How often the day is looked at while unlocked. */
    static constexpr int checkMilliseconds = 60 * 60 * 1000;

    SnapshotScheduler(EntryStore& store, const Clock& clock, const QString& journalPath, QObject* parent = nullptr);
    /** Cancels a write under way and waits for it to stop: nothing of it is left to a process that is ending. */
    ~SnapshotScheduler() override;

    /**
     * The journal was unlocked with `key` (or locked: null): writes the day's snapshot if it is due. Locking
     * cancels a write under way and wipes the worker's copy of the key at once; no file of it is left, and the
     * snapshot is written at the next unlock.
     */
    void unlocked(const std::shared_ptr<const EntryKey>& key);

    bool writing() const { return m_writing; }
    /** Why the last snapshot failed ("the disk is full"); empty once one succeeds. */
    QString problem() const { return m_problem; }

Q_SIGNALS:
    /** A snapshot was written, or failed: `problem` says which. */
    void finished();

private:
    void writeIfDue(bool retryFailure);
    void done(const SnapshotOutcome& outcome, QDate day);

    EntryStore& m_store;
    const Clock& m_clock;
    QString m_journalPath;
    Preferences m_preferences;
    std::weak_ptr<const EntryKey> m_key;
    QTimer m_dayCheck;
    QPointer<QThread> m_worker;
    /** The worker's copy of the key, while it writes. */
    std::shared_ptr<SnapshotKey> m_workerKey;
    bool m_writing = false;
    QDate m_failedDay;
    QString m_problem;
};

} // namespace wendle
