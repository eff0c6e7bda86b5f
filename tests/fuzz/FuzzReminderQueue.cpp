// SPDX-License-Identifier: GPL-3.0-or-later
// Any file as the reminder agent's queue: it loads or is moved aside, and what loads is only valid requests.
#include "reminders/agent/ReminderQueue.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    QDir folder(dir.path());
    for (const QString& name : folder.entryList(QDir::Files)) {
        folder.remove(name);
    }
    const QString path = dir.filePath(QStringLiteral("reminders.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        std::abort();
    }
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.close();
    wendle::ReminderQueue queue(path);
    queue.load();
    for (const wendle::NotificationRequest& request : queue.requests()) {
        if (!wendle::ReminderQueue::isValid(request)) {
            std::abort();
        }
    }
    return 0;
}
