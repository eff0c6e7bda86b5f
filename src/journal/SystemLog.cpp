// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/SystemLog.h"

#include <cstdio>
#include <syslog.h>

namespace wendle {

void logToSystem(int priority, const QString& line)
{
    static const bool opened = [] {
        openlog("wendle", LOG_PID, LOG_USER);
        return true;
    }();
    Q_UNUSED(opened);
    const QByteArray bytes = line.toUtf8();
    syslog(priority, "%s", bytes.constData());
    std::fprintf(stderr, "wendle: %s\n", bytes.constData());
}

} // namespace wendle
