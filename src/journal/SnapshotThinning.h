// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>

#include <vector>

namespace wendle {

/**
 * Which daily snapshots to keep: the 7 newest, the newest of each of the 4 newest weeks (ISO weeks) and the
 * newest of each of the 12 newest months that have one. Counted over the snapshots there are, not the calendar,
 * so a month without snapshots costs none. The newest is always kept.
 */
namespace SnapshotThinning {

inline constexpr int daily = 7;
inline constexpr int weekly = 4;
inline constexpr int monthly = 12;

/** The dates of `dates` to keep, newest first; duplicates count once. */
std::vector<QDate> kept(std::vector<QDate> dates);

} // namespace SnapshotThinning

} // namespace wendle
