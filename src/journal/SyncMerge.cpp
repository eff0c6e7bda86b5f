// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/SyncMerge.h"

namespace wendle::SyncMerge {

SyncMergeOutcome merge(const std::optional<SyncEntryState>& local, const SyncRecord& incoming)
{
    const SyncEntryState arriving{incoming.stamp, incoming.text, incoming.creditStamp, incoming.creditedWords};
    if (!local) {
        return {SyncMergeOutcome::Body::create, false, arriving};
    }
    if (incoming.stamp == local->stamp) {
        return {SyncMergeOutcome::Body::unchanged, false, *local};
    }
    const bool later = local->stamp < incoming.stamp;
    SyncMergeOutcome outcome{later ? SyncMergeOutcome::Body::takeIncoming : SyncMergeOutcome::Body::keepCurrent,
                             incoming.text != local->text, later ? arriving : *local};
    if (local->creditStamp < incoming.creditStamp) {
        outcome.state.creditStamp = incoming.creditStamp;
        outcome.state.creditedWords = incoming.creditedWords;
    } else {
        outcome.state.creditStamp = local->creditStamp;
        outcome.state.creditedWords = local->creditedWords;
    }
    return outcome;
}

} // namespace wendle::SyncMerge
