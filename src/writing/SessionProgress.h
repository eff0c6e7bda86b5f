// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QLabel;

namespace wendle {

class FilledButton;
class WritingSession;

/**
 * What every writing surface shows of its session's progress: the word count ("1 word", "12 words"), and the
 * finish button reading "Done" until the day is done, then "Saved", both in the accent colour once done.
 */
void showSessionProgress(const WritingSession& session, QLabel* wordCount, FilledButton* finish);

} // namespace wendle
