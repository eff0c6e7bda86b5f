// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transfer/recover/RecoveryInput.h"

#include <QString>
#include <QStringList>

namespace wendle {

class Calendar;

/** What a recovery wrote, for the summary printed at its end. */
struct RecoverySummary
{
    int recovered = 0;
    int versions = 0;
    /** One line per entry whose text did not open: "2024-03-10 08:15, memory", by day. */
    QStringList unopened;

    /** The summary as it is printed and kept in `recovery-summary.txt`. */
    QString text() const;
};

/**
 * The folder a recovery writes into: one Markdown file per journal day, as Wendle's export writes them
 * (`YYYY-MM-DD.md`), and `recovery-summary.txt`. The folder must be empty or not yet there (it is then made,
 * readable by its owner only), so nothing of the user's is ever replaced; the files appear all together or not
 * at all.
 */
class RecoveryOutput
{
public:
    static inline const QString summaryName = QStringLiteral("recovery-summary.txt");

    explicit RecoveryOutput(QString folder);

    /** Whether the folder can take a recovery: empty, or not there; false with the reason in `error`. */
    [[nodiscard]] bool checkEmpty(QString* error) const;

    /** Writes the day files and the summary; false, with nothing left behind, and the reason in `error`. */
    [[nodiscard]] bool write(const RecoveredEntries& recovered, const Calendar& calendar, RecoverySummary* summary,
                             QString* error) const;

private:
    QString m_folder;
};

} // namespace wendle
