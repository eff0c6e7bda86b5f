// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/SnapshotThinning.h"

#include <algorithm>
#include <functional>
#include <set>

namespace wendle::SnapshotThinning {

std::vector<QDate> kept(std::vector<QDate> dates)
{
    std::erase_if(dates, [](QDate date) { return !date.isValid(); });
    std::sort(dates.begin(), dates.end(), std::greater<>());
    dates.erase(std::unique(dates.begin(), dates.end()), dates.end());

    std::set<QDate, std::greater<>> keep;
    for (std::size_t i = 0; i < dates.size() && i < std::size_t(daily); ++i) {
        keep.insert(dates[i]);
    }
    // Newest first, so the first date of each period is the one that period keeps.
    const auto keepNewestOf = [&](int periods, auto periodOf) {
        std::set<qint64> seen;
        for (QDate date : dates) {
            if (seen.insert(periodOf(date)).second) {
                if (int(seen.size()) > periods) {
                    return;
                }
                keep.insert(date);
            }
        }
    };
    keepNewestOf(weekly, [](QDate date) {
        int year = 0;
        const int week = date.weekNumber(&year);
        return qint64(year) * 100 + week;
    });
    keepNewestOf(monthly, [](QDate date) { return qint64(date.year()) * 100 + date.month(); });
    return {keep.begin(), keep.end()};
}

} // namespace wendle::SnapshotThinning
