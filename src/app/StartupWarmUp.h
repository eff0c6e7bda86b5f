// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <thread>

namespace wendle {

/**
 * Loads, on a thread of its own, what the lock screen is the first to need and what costs milliseconds of reading
 * and parsing: the font configuration and the locale's date data. Made before the application object, it works
 * while that one connects to the display. `wait()` (or destruction) before the first font is used: Qt's own font
 * set-up must not run beside it.
 */
class StartupWarmUp
{
public:
    StartupWarmUp();
    ~StartupWarmUp();
    StartupWarmUp(const StartupWarmUp&) = delete;
    StartupWarmUp& operator=(const StartupWarmUp&) = delete;

    void wait();

private:
    std::thread m_thread;
};

} // namespace wendle
