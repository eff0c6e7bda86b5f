// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QObject>
#include <QString>

#include <optional>
#include <vector>

namespace wendle {

class Preferences;

/**
 * Where the daily snapshots go and what they are called: `wendle-YYYY-MM-DD.wendlesnap` (the ISO date of the
 * day written), in `$XDG_DATA_HOME/wendle/snapshots` unless the user chose another folder. Only files named so
 * are Wendle's snapshots; everything else in the folder is left alone.
 */
namespace SnapshotFolder {

/** `$XDG_DATA_HOME/wendle/snapshots`. */
QString defaultPath();
/** The folder the preferences name, or the default. */
QString path(const Preferences& preferences);

/**
 * Why `folder`, chosen by the user, cannot hold snapshots, in a short sentence; nothing when it can. Refused:
 * system and temporary places (/tmp, /var/tmp, /proc, /dev, /run, /sys and what lies in them, unless it is in the
 * user's home), the journal's own folder or file, a path that is not a folder, and a folder that cannot be
 * written. A folder that does not exist yet is judged by the nearest one that does.
 */
std::optional<QString> refusal(const QString& folder, const QString& journalPath);

QString fileName(QDate day);
/** The day a snapshot's file name stands for; nothing for any other name. */
std::optional<QDate> dayOf(const QString& fileName);
/** Whether `fileName` is a snapshot's temporary file, left behind by a write that never finished. */
bool isUnfinished(const QString& fileName);
/** The days of the snapshots in `folder`. */
std::vector<QDate> days(const QString& folder);

/** The filter of file dialogs that choose a snapshot. */
QString filter();

} // namespace SnapshotFolder

/**
 * Tells, within this process, that a snapshot was written and `snapshots.last` changed, so a settings window open
 * meanwhile shows the new day at once: the writer lies above the screens that show it.
 */
class SnapshotNotices : public QObject
{
    Q_OBJECT

public:
    static SnapshotNotices& instance();

Q_SIGNALS:
    void written();
};

} // namespace wendle
