// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transfer/JournalImport.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace wendle {

struct WorkProgress;

/** The largest file a folder import reads; larger ones are skipped as "too large". */
inline constexpr qint64 maxImportFileBytes = qint64(16) << 20;
/** The largest JSON export an import reads. */
inline constexpr qint64 maxJsonImportBytes = qint64(256) << 20;

/**
 * Reads what a folder import may read, and nothing else: the regular files named `*.txt` or `*.md` directly in
 * `folder`, each up to `maxImportFileBytes`. A symbolic link is followed only to a regular file inside the
 * folder; links elsewhere, FIFOs, devices, folders and names that are not UTF-8 are skipped and named with the
 * reason. Safe to run on a worker thread: it touches no journal. Stops early, with what it has, when `progress`
 * is cancelled.
 */
FolderContents readImportFolder(const QString& folder, WorkProgress* progress = nullptr);

/**
 * The bytes of the regular file at `path` (following links), at most `limit` of them; nothing, with the reason
 * in `problem`, for anything else or anything larger.
 */
std::optional<QByteArray> readRegularFile(const QString& path, qint64 limit, QString* problem,
                                          WorkProgress* progress = nullptr);

} // namespace wendle
