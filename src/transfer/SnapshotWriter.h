// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>

namespace wendle {

class EntryKey;

/** How writing a snapshot went. */
struct SnapshotOutcome
{
    QString path;
    int entries = 0;
    /** Why it failed, in a few words ("the disk is full"); empty when the snapshot was written and read back. */
    QString problem;
    /** The key was taken back (the journal was locked) before the snapshot was whole: nothing was left of it. */
    bool cancelled = false;
};

/**
 * The snapshot worker's own copy of the entry key, which the thread that handed it over can take back at any
 * moment (the journal was locked): the copy is wiped at once, or as soon as the one short use under way ends, and
 * the write it served stops without naming a file.
 */
class SnapshotKey
{
public:
    explicit SnapshotKey(const EntryKey& key);

    /** Wipes the copy; waits only for a use under way, which is one body opened or one key derived. */
    void revoke();
    bool revoked() const;
    /** Runs `use` with the key, unless it was taken back; returns whether it ran. */
    [[nodiscard]] bool use(const std::function<void(const EntryKey&)>& use) const;

private:
    mutable std::mutex m_mutex;
    std::shared_ptr<const EntryKey> m_key;
};

/** The bytes free to this user on the disk holding `folder`; negative when that cannot be told. */
using FreeSpace = std::function<qint64(const QString& folder)>;

/** `FreeSpace` as the system tells it. */
qint64 systemFreeSpace(const QString& folder);

/**
 * Writes the snapshot of `day` into `folder` (made 0700 when missing): reads the journal at `journalPath` through
 * a read-only connection of its own (as its last save left it), opens the texts with `key`, builds the payload
 * record by record and seals it in place, writes the file 0600 beside its place, syncs and names it, then reads it
 * back and opens it. A snapshot that would not fit in the free space `freeSpace` tells is not begun. Only a
 * snapshot that read back whole lets older ones be thinned (SnapshotThinning); files of the folder that are not
 * snapshots are never touched, except the temporary files of snapshot writes that never finished. Slow: run it on
 * a worker thread.
 */
SnapshotOutcome writeSnapshot(const QString& folder, QDate day, const QString& journalPath, const SnapshotKey& key,
                              const FreeSpace& freeSpace = systemFreeSpace);

} // namespace wendle
