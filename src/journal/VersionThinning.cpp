// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/VersionThinning.h"

#include "journal/DayKey.h"

#include <QSet>

#include <algorithm>

namespace wendle::VersionThinning {

std::vector<qint64> thinnedOut(std::vector<VersionStamp> versions, const QDateTime& now, const Calendar& calendar)
{
    return thinnedOut(std::move(versions), now,
                      [&calendar](const QDateTime& moment) { return journalDayKey(moment, calendar); });
}

std::vector<qint64> thinnedOut(std::vector<VersionStamp> versions, const QDateTime& now, const JournalDayOf& dayOf)
{
    std::sort(versions.begin(), versions.end(), [](const VersionStamp& a, const VersionStamp& b) {
        return a.savedAt != b.savedAt ? a.savedAt > b.savedAt : a.id > b.id;
    });
    const QString today = dayOf(now);
    std::vector<qint64> dropped;
    QSet<QString> keptSpans;
    int kept = 0;
    // Newest first: the first version met in a span is the last one written in it, the one that stays.
    for (const VersionStamp& version : versions) {
        const QString day = dayOf(version.savedAt);
        const QString span
            = day == today ? day + u'/' + QString::number(version.savedAt.toSecsSinceEpoch() / windowSeconds) : day;
        if (kept < maxVersions && !keptSpans.contains(span)) {
            keptSpans.insert(span);
            ++kept;
        } else {
            dropped.push_back(version.id);
        }
    }
    return dropped;
}

} // namespace wendle::VersionThinning
