// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace wendle {

/**
 * The names inside a sync folder. In the folder the user chose, `wendle-sync/` holds one folder per device, named
 * by its id in 32 lowercase hexadecimal digits, and each of those holds that device's log segments, `000001.log`,
 * `000002.log`, … (six digits at least, no other leading zeros). Nothing else is Wendle's: the temporary files a
 * sync program leaves while copying and the conflict copies it makes never match these names, so they are never
 * read. A name found in the folder never becomes a path until it has matched, and links are never followed.
 */
namespace SyncFolder {

/** `wendle-sync` inside the folder the user chose. */
QString root(const QString& chosenFolder);
/** The folder of `device`'s log inside `root`. */
QString deviceFolder(const QString& root, const QByteArray& device);
/** The segment file of `number` inside a device's folder. */
QString segmentPath(const QString& deviceFolder, quint32 number);

QString segmentName(quint32 number);
/** The number `name` stands for; nothing for any name that is not exactly `segmentName` of a number from 1. */
std::optional<quint32> segmentNumber(const QString& name);

/** The numbers of the segments in `deviceFolder`, ascending; plain files only. */
std::vector<quint32> segments(const QString& deviceFolder);
/** The devices that have a folder in `root`; folders only, named by a device id. */
std::vector<QByteArray> devices(const QString& root);

/** Whether `name` is a conflict copy a sync program made (`*.sync-conflict-*`, `* (conflicted copy)*`). */
bool isConflictCopy(const QString& name);
/** The conflict copies in `root` and its device folders, as paths: for a line in the log, never read. */
std::vector<QString> conflictCopies(const QString& root);

} // namespace SyncFolder

} // namespace wendle
