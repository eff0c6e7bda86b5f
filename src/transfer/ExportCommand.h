// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transfer/JournalExport.h"
#include "transfer/TransferContext.h"

#include <QObject>

#include <optional>
#include <vector>

namespace wendle {

/**
 * "Export…": after a fresh authentication and a warning that the export is not encrypted, writes every entry as
 * Markdown day files into a folder or as one JSON file, all or nothing, and says what it wrote.
 */
class ExportCommand : public QObject
{
    Q_OBJECT

public:
    ExportCommand(const TransferContext& context, QObject* parent);

    void run();

private:
    void chooseFormat();
    /** Every entry opened for export with the current key; none while locked. */
    std::optional<std::vector<ExportedEntry>> entriesToExport();
    void exportMarkdown(const QString& folder);
    void exportJson(const QString& path);
    /** Writes `files`; `kept` existing files were kept, which the summary says. */
    void writeFiles(const QString& folder, std::vector<ExportFile> files, bool replace, int kept,
                    const QStringList& unreadable);

    TransferContext m_context;
};

} // namespace wendle
