// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <thread>

namespace wendle {

/**
 * Loads, on threads of their own, what the lock screen is the first to need and what costs milliseconds of reading
 * and parsing: the font configuration and the locale's date data. Both libraries are thread-safe; `wait()` before
 * the first widget is made, or Qt's font set-up repeats the work beside it instead of finding it done.
 *
 * Made before the application object, so that the font configuration loads while Qt connects to the display: it
 * reads only its own files and the environment, which that set-up leaves alone, and no Qt code. The date line is Qt
 * code, and Qt takes the first thread that uses it for the main thread, so `startDates()` comes after the
 * application object.
 */
class StartupWarmUp
{
public:
    StartupWarmUp();
    ~StartupWarmUp();
    StartupWarmUp(const StartupWarmUp&) = delete;
    StartupWarmUp& operator=(const StartupWarmUp&) = delete;

    void startDates();
    void wait();

private:
    std::thread m_fonts;
    std::thread m_dates;
};

} // namespace wendle
