// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace wendle {

/**
 * Orders release versions the way update feeds expect: runs of digits compare as numbers ("1.10" > "1.9"),
 * letters as text, a release is newer than its pre-releases ("1.5" > "1.5b3") and an extra number makes a
 * version newer ("1.5.1" > "1.5"). Only ASCII digits are numbers, and separators at the end count for
 * nothing ("1.5." is "1.5"). Negative when `a` is older than `b`, 0 when equal, positive when newer.
 */
int compareVersions(const QString& a, const QString& b);

} // namespace wendle
