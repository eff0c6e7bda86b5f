// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reminders/NotificationCenter.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace wendle {

/**
 * The agent's pending requests, kept in one JSON file that is replaced atomically after every change and
 * readable by its owner only. A file that is not such a queue is moved aside, never overwritten.
 */
class ReminderQueue
{
public:
    /** `$XDG_STATE_HOME/wendle/reminders.json` (`~/.local/state/…` when the variable is unset). */
    static QString defaultPath();

    explicit ReminderQueue(QString path);

    /**
     * Reads the file. A missing file is an empty queue; a broken or foreign one is renamed to
     * `reminders.json.broken-<time>` and the queue starts empty. If even that fails, the queue is kept in
     * memory only, so the file is never written over.
     */
    void load();
    /** Where a broken file was moved by `load`, if it was. */
    QString movedAsideTo() const { return m_movedAsideTo; }

    const std::vector<NotificationRequest>& requests() const { return m_requests; }
    QStringList identifiers() const;
    /** Adds `request`, replacing a pending one with its identifier. */
    void add(const NotificationRequest& request);
    /** Drops the requests with these identifiers; whether any was there. */
    bool remove(const QStringList& identifiers);

    /** Writes the queue; false when it could not be (the previous file then stays as it was). */
    bool save();

    /** Whether a request names a real clock time and may be queued. */
    static bool isValid(const NotificationRequest& request);

private:
    QString m_path;
    QString m_movedAsideTo;
    std::vector<NotificationRequest> m_requests;
    bool m_writable = true;
};

} // namespace wendle
