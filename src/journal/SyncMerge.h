// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/SyncRecord.h"

#include <QString>

#include <optional>

namespace wendle {

/** What this computer holds of one entry, as far as merging a change into it needs. */
struct SyncEntryState
{
    /** The change that made the current text. */
    SyncStamp stamp;
    QString text;
    /** The change that last set the credited words (SyncRecord::creditStamp). */
    SyncStamp creditStamp;
    qint64 creditedWords = 0;

    friend bool operator==(const SyncEntryState& a, const SyncEntryState& b) = default;
};

/** What merging one incoming change decided. */
struct SyncMergeOutcome
{
    enum class Body
    {
        /** No entry had this id: the change makes it. */
        create,
        /** The change is later: its text becomes current, the current one an earlier version. */
        takeIncoming,
        /** The current text is later: it stays, the change's text becomes an earlier version. */
        keepCurrent,
        /** This very change was merged before. */
        unchanged,
    };
    Body body = Body::unchanged;
    /** Whether the text that is no longer (or never was) current is kept as an earlier version: it differs. */
    bool keepsVersion = false;
    /** The entry after the merge. */
    SyncEntryState state;
};

/**
 * The merge rules, which never lose words: of all changes to an entry, the one with the greatest stamp (Lamport
 * clock, then device id) is current on every computer, whatever order the changes arrive in, and every other text
 * is kept as an earlier version. Credited words are a second, independent choice of the same kind: the greatest
 * `creditStamp` wins, and since only an edit on the entry's own day sets it, an edit of a past day never changes
 * what a day is credited with. An entry's date, day, prompt and category never change, so they need no rule.
 */
namespace SyncMerge {

/** Merges `incoming` into the entry this computer holds under its id (`local`), or none. */
SyncMergeOutcome merge(const std::optional<SyncEntryState>& local, const SyncRecord& incoming);

/** The Lamport clock after seeing a change stamped `seen`: never behind anything seen. */
inline quint64 observed(quint64 own, quint64 seen)
{
    return own > seen ? own : seen;
}

} // namespace SyncMerge

} // namespace wendle
