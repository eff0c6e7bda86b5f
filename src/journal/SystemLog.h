// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace wendle {

/**
 * Writes one line to the system log (syslog, identity "wendle", which journald picks up) and to standard error,
 * so it is seen both by someone looking at the logs and by someone who started Wendle from a terminal.
 * Never give it entry text or key material.
 */
void logToSystem(int priority, const QString& line);

} // namespace wendle
