// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reminders/NotificationCenter.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <vector>

namespace wendle {

/**
 * The agent's pending requests, kept in one JSON file that is replaced atomically after every change and
 * readable by its owner only. A file that is not such a queue is moved aside, never overwritten.
 *
 * Both are bounded: a file above `maximumFileSize` counts as not a queue, and no more than `maximumRequests`
 * are held.
 */
class ReminderQueue
{
public:
    static constexpr qint64 maximumFileSize = 4 * 1024 * 1024;
    static constexpr std::size_t maximumRequests = 1000;

    /** `$XDG_STATE_HOME/wendle/reminders.json` (`~/.local/state/…` when the variable is unset). */
    static QString defaultPath();

    explicit ReminderQueue(QString path);

    /**
     * Reads the file. A missing file is an empty queue; a broken or foreign one is renamed to
     * `reminders.json.broken-<time>` and the queue starts empty. A file that cannot be read at all (not a
     * regular file, no permission, an I/O error) is left where it is. In both cases, when the file is still in
     * the way, the queue starts empty and is never written over it: `save` fails.
     */
    void load();
    /** Where a broken file was moved by `load`, if it was. */
    QString movedAsideTo() const { return m_movedAsideTo; }
    /** Why `load` could not read the file and left it where it is; empty when it could. */
    QString unreadable() const { return m_unreadable; }
    /** False while the file may not be written over (see `load`). */
    bool isWritable() const { return m_writable; }

    const std::vector<NotificationRequest>& requests() const { return m_requests; }
    QStringList identifiers() const;
    /** Adds `request`, replacing a pending one with its identifier; false, adding nothing, when it is full. */
    [[nodiscard]] bool add(const NotificationRequest& request);
    /** Drops the requests with these identifiers; whether any was there. */
    bool remove(const QStringList& identifiers);

    /** Writes the queue; false when it could not be (the previous file then stays as it was). */
    [[nodiscard]] bool save();

    /** Whether a request names a real clock time and may be queued. */
    static bool isValid(const NotificationRequest& request);

private:
    QString m_path;
    QString m_movedAsideTo;
    QString m_unreadable;
    std::vector<NotificationRequest> m_requests;
    bool m_writable = true;
};

} // namespace wendle
