// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <atomic>

namespace wendle {

/** What a worker thread has done of its work, and whether the user asked it to stop; shared with the GUI. */
struct WorkProgress
{
    std::atomic<bool> cancelled{false};
    std::atomic<qint64> done{0};
    std::atomic<qint64> total{0};
};

} // namespace wendle
