// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartupWarmUp.h"

#include "lock/LockView.h"

#include <QDateTime>

#include <fontconfig/fontconfig.h>

#include <system_error>

namespace wendle {

// Without a thread the same work happens on the main thread when it is first needed.
StartupWarmUp::StartupWarmUp()
{
    try {
        // A configuration that fails to load here fails again, and is reported, when Qt loads it.
        m_fonts = std::thread([] { static_cast<void>(FcInit()); });
    } catch (const std::system_error&) {
    }
}

void StartupWarmUp::startDates()
{
    try {
        // ICU keeps the locale and zone data it loads here, and the date line's pattern is cached.
        m_dates = std::thread([] { static_cast<void>(LockView::dateLine(QDateTime::currentDateTimeUtc())); });
    } catch (const std::system_error&) {
    }
}

StartupWarmUp::~StartupWarmUp()
{
    wait();
}

void StartupWarmUp::wait()
{
    for (std::thread* thread : {&m_fonts, &m_dates}) {
        if (thread->joinable()) {
            thread->join();
        }
    }
}

} // namespace wendle
