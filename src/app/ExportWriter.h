// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <vector>

namespace wendle {

struct ExportFile;

/**
 * Writes the files of one export into a folder, readable by the owner only, so that none ever shows half
 * written. Each file is first staged as a hidden temporary file beside its place; `finish` puts all of them on
 * the disk with one sync and only then gives them their names. Files not finished (a cancelled or failed
 * export) are removed when the writer goes, leaving the folder as it was.
 *
 * One sync for the whole export rather than one per file: an export of years of days is thousands of files.
 */
class ExportWriter
{
public:
    /** Writes into `folder`, replacing existing files of the same names only when `replace` is set. */
    ExportWriter(QString folder, bool replace);
    ~ExportWriter();
    ExportWriter(const ExportWriter&) = delete;
    ExportWriter& operator=(const ExportWriter&) = delete;

    /** Writes `file` to its temporary place; false with `error` set when it cannot. */
    bool stage(const ExportFile& file, QString* error);

    /** Syncs every staged file and names it; false with `error` set, and nothing named after it, on failure. */
    bool finish(QString* error);

private:
    struct Staged
    {
        QString temporary;
        QString path;
    };

    QString m_folder;
    bool m_replace;
    std::vector<Staged> m_staged;
};

} // namespace wendle
