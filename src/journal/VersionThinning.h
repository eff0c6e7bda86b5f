// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

#include <vector>

namespace wendle {

class Calendar;

/** When one earlier version of an entry was kept, and its row. */
struct VersionStamp
{
    qint64 id = 0;
    QDateTime savedAt;
};

/**
 * Which of an entry's earlier versions to let go, so that keeping them costs a bounded share of the journal.
 * While a journal day lasts, its versions are kept at most one per ten-minute window of the clock (the last in
 * each); once the day is over, only its last version stays; and never more than `maxVersions` in all, the
 * oldest going first. The entry's current body is not a version and is never among them.
 */
namespace VersionThinning {

inline constexpr int maxVersions = 50;
inline constexpr qint64 windowSeconds = 10 * 60;

/** The ids of `versions` to delete as of `now`, with journal days as `calendar` counts them. */
std::vector<qint64> thinnedOut(std::vector<VersionStamp> versions, const QDateTime& now, const Calendar& calendar);

/** The journal day of a moment, as `journalDayKey` gives it under one calendar. */
using JournalDayOf = std::function<QString(const QDateTime&)>;

/** As above, with journal days as `dayOf` gives them: a caller that saves often can remember its answers. */
std::vector<qint64> thinnedOut(std::vector<VersionStamp> versions, const QDateTime& now, const JournalDayOf& dayOf);

} // namespace VersionThinning

} // namespace wendle
