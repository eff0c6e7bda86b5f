// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace wendle {

/** Words a day's entries must together be credited with for the day to count as written. */
inline constexpr qint64 completionThreshold = 20;

/**
 * The number of maximal runs of user-perceived characters none of which is white space
 * (Unicode White_Space: spaces, tabs, line and paragraph separators, no-break spaces, …).
 * A character is white space when the first code point of its grapheme cluster is.
 *
 * Chinese and Japanese are written without spaces, so a run holding Han, Hiragana, Katakana or Hangul counts
 * the words a dictionary-based word break finds in it (punctuation is no word), and at least one. Every other
 * run counts one, so text in space-separated scripts counts as it always has.
 */
qint64 countWords(const QString& text);

} // namespace wendle
