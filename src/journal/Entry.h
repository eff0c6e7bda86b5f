// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/SyncRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace wendle {

class EntryStore;

/**
 * One piece of writing of one journal day: which prompt it answers, its sealed text and the words credited
 * to its day. Entries are owned by their EntryStore, never deleted, and changed only through it, so
 * pointers to them stay valid for the store's life. Identity is the object itself, not the field values.
 *
 * The store loads an entry's fields when it opens; the sealed body is read from the file the first time it is
 * asked for, and kept from then on.
 */
class Entry
{
public:
    /** The prompt id of free writing. */
    static inline const QString freeformPromptID = QStringLiteral("freeform");

    /** The row id the file gave the entry; 0 until it is first saved. */
    qint64 id() const { return m_id; }
    /**
     * The 16 bytes that name the entry on every computer that holds it; never changes once given. Empty only for
     * an entry of an older journal until the save that brings the journal up to date gives it one.
     */
    QByteArray globalId() const { return m_globalId; }
    /** The moment the entry was first saved (UTC); never changes. */
    QDateTime date() const { return m_date; }
    /** The journal day of `date` when it was first saved; never changes. */
    QString dayKey() const { return m_dayKey; }
    /** The answered prompt's id, or `freeformPromptID`. */
    QString promptID() const { return m_promptID; }
    QString categoryRaw() const { return m_categoryRaw; }
    /**
     * The text sealed by `sealEntryText`. Empty when the file cannot give it (the failure goes to the system
     * log; asking again reads again), and the store keeps the file's body aside before anything replaces it.
     */
    QByteArray cipherBody() const;
    qint64 creditedWords() const { return m_creditedWords; }

    /** Bits of `logMark`. */
    enum LogMark : quint8
    {
        /** A change made on this computer has yet to reach its sync log. */
        awaitsLog = 0x01,
        /** That change set the credited words (only an edit on the entry's own day does). */
        creditChanged = 0x02,
    };
    /** What of this computer's changes has yet to reach its sync log (`LogMark` bits); saved with the change. */
    quint8 logMark() const { return m_logMark; }
    /** Grows with every change made here that marks the entry, so a logged change can be told from a later one. */
    quint64 logRevision() const { return m_logRevision; }
    /** The change that made the current text (see SyncRecord); empty until the entry first reaches a sync log. */
    SyncStamp stamp() const { return m_stamp; }
    /** The change that last set the credited words. */
    SyncStamp creditStamp() const { return m_creditStamp; }

private:
    friend class EntryStore;
    Entry() = default;

    qint64 m_id = 0;
    QByteArray m_globalId;
    QDateTime m_date;
    QString m_dayKey;
    QString m_promptID;
    QString m_categoryRaw;
    // Nothing until read from the file: a body never read is never written back.
    mutable std::optional<QByteArray> m_cipherBody;
    qint64 m_creditedWords = 0;
    SyncStamp m_stamp;
    SyncStamp m_creditStamp;
    quint8 m_logMark = 0;
    quint64 m_logRevision = 0;
    EntryStore* m_store = nullptr;
    bool m_stored = false; // a row exists in the file
    bool m_dirty = false; // in-memory fields differ from the row
    bool m_bodyDirty = false; // the body differs from the row's
};

/** The stamps of a change another computer made (see SyncRecord). */
struct SyncStamps
{
    SyncStamp stamp;
    SyncStamp creditStamp;
};

/** The fields of an entry about to be inserted. */
struct NewEntry
{
    QDateTime date;
    QString dayKey;
    QString promptID;
    QString categoryRaw;
    QByteArray cipherBody;
    qint64 creditedWords = 0;
    /** The entry's global id, as another computer gave it; empty (or one the store already holds) for a new one. */
    QByteArray globalId = {};
    /** Set for an entry another computer made: it then never goes to this computer's sync log as a change of its own.
     */
    std::optional<SyncStamps> synced = {};
};

} // namespace wendle
