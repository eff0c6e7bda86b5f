// SPDX-License-Identifier: GPL-3.0-or-later
// Any file as the reminder agent's queue: it loads or is moved aside, and what loads is only valid requests.
#include "reminders/agent/ReminderQueue.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("reminders.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::abort();
    }
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.close();
    wendle::ReminderQueue queue(path);
    queue.load();
    // Only a broken file is moved aside; removing it keeps the folder as the next input expects it.
    if (!queue.movedAsideTo().isEmpty()) {
        QFile::remove(queue.movedAsideTo());
    }
    for (const wendle::NotificationRequest& request : queue.requests()) {
        if (!wendle::ReminderQueue::isValid(request)) {
            std::abort();
        }
    }
    return 0;
}
