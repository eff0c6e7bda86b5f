// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <vector>

namespace wendle {

struct ExportFile;

/**
 * Writes the files of one export (or a backup) into a folder, readable by the owner only, all or nothing. Each file is
 * first staged as a hidden temporary file beside its place; `finish` puts them all on the disk and gives them their
 * names only then, and when naming fails part-way it puts back every file it replaced and removes every name it
 * made, so the folder is as it was. Files not finished (a cancelled or failed export) are removed when the
 * writer goes.
 */
class ExportWriter
{
public:
    /** Writes into `folder`, replacing existing files of the same names only when `replace` is set. */
    ExportWriter(QString folder, bool replace);
    ~ExportWriter();
    ExportWriter(const ExportWriter&) = delete;
    ExportWriter& operator=(const ExportWriter&) = delete;

    /**
     * Writes `file` to its temporary place and syncs it; false with `error` set when it cannot. A name is a
     * plain file name inside the folder, never a path.
     */
    [[nodiscard]] bool stage(const ExportFile& file, QString* error);

    /** Names every staged file; false with `error` set, and the folder as it was, on failure. */
    [[nodiscard]] bool finish(QString* error);

private:
    struct Staged
    {
        QString temporary;
        QString path;
        /** Where the file it replaces waits until the export is complete; empty when it replaced none. */
        QString replaced;
        bool named = false;
    };

    bool checkReplaceable(QString* error) const;
    bool name(Staged& staged, QString* error);
    void undo();

    QString m_folder;
    bool m_replace;
    std::vector<Staged> m_staged;
};

} // namespace wendle
