// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace wendle {

/**
 * Claims Wendle's data folder for one process: an advisory lock (flock) on a file in it. The kernel releases it
 * however the process ends, so it never goes stale, and taking it writes nothing, so start-up never waits for
 * the disk. A Wendle of an earlier version holds the same kind of lock on the same file. Where the file system
 * cannot lock files at all, the lock counts as taken.
 */
class InstanceLock
{
public:
    enum class Result
    {
        taken,
        /** Another process holds it. */
        heldElsewhere,
        /** The file cannot be opened for writing: the folder or file is not writable. */
        notWritable,
        /** The file cannot be made or locked for another reason. */
        failed,
    };

    explicit InstanceLock(QString path);
    /** Releases the lock if taken. */
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    [[nodiscard]] Result take();

private:
    QString m_path;
    int m_fd = -1;
};

} // namespace wendle
