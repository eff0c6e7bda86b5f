// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/SnapshotWriter.h"

#include "journal/SnapshotFolder.h"
#include "journal/SnapshotThinning.h"
#include "transfer/JournalBackup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace wendle {

namespace {

bool makeFolder(const QString& folder)
{
    if (QFileInfo(folder).isDir()) {
        return true;
    }
    // Private like the journal's own folder: a snapshot says when the user wrote, even sealed.
    return QDir().mkpath(folder)
        && QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

/** The reason a write into `folder` of `bytes` failed, as the user can act on it. */
QString writeProblem(const QString& folder, qint64 bytes)
{
    if (!QFileInfo(folder).isWritable()) {
        //: Why the last snapshot failed, in a few words.
        return QCoreApplication::translate("wendle::SnapshotWriter", "the folder is not writable");
    }
    const QStorageInfo storage(folder);
    if (storage.isValid() && storage.bytesAvailable() < bytes) {
        return QCoreApplication::translate("wendle::SnapshotWriter", "the disk is full");
    }
    return QCoreApplication::translate("wendle::SnapshotWriter", "the file could not be written");
}

void removeUnfinished(const QDir& folder)
{
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden)) {
        if (SnapshotFolder::isUnfinished(name)) {
            QFile::remove(folder.filePath(name));
        }
    }
}

void thin(const QDir& folder, QDate written)
{
    const std::vector<QDate> kept = SnapshotThinning::kept(SnapshotFolder::days(folder.path()));
    for (QDate day : SnapshotFolder::days(folder.path())) {
        if (day != written && std::find(kept.begin(), kept.end(), day) == kept.end()) {
            QFile::remove(folder.filePath(SnapshotFolder::fileName(day)));
        }
    }
}

} // namespace

SnapshotOutcome writeSnapshot(const QString& folder, QDate day, BackupContents contents, const EntryKey& key)
{
    SnapshotOutcome outcome{QDir(folder).filePath(SnapshotFolder::fileName(day)), 0, {}};
    if (!makeFolder(folder)) {
        outcome.problem = QCoreApplication::translate("wendle::SnapshotWriter", "the folder could not be made");
        return outcome;
    }
    const QDir dir(folder);
    removeUnfinished(dir);
    openTexts(contents, key);
    const QByteArray sealed = encodeSnapshot(contents, key);
    if (sealed.isEmpty()) {
        outcome.problem = QCoreApplication::translate("wendle::SnapshotWriter", "the system's cryptography failed");
        return outcome;
    }
    const BackupWriteResult written = writeSealedFile(
        outcome.path, sealed, contents, [&key](const QByteArray& file) { return decodeSnapshot(file, key); });
    if (!written.error.isEmpty()) {
        // A file that was named but did not read back is no snapshot: it must not count as one, nor be thinned to.
        if (written.named) {
            QFile::remove(outcome.path);
            outcome.problem = QCoreApplication::translate("wendle::SnapshotWriter", "it did not read back as written");
        } else {
            outcome.problem = writeProblem(folder, sealed.size());
        }
        return outcome;
    }
    outcome.entries = written.entries;
    thin(dir, day);
    return outcome;
}

} // namespace wendle
