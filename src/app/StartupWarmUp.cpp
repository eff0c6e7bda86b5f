// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartupWarmUp.h"

#include "lock/LockView.h"

#include <QDateTime>

#include <fontconfig/fontconfig.h>

#include <system_error>

namespace wendle {

StartupWarmUp::StartupWarmUp()
{
    try {
        m_thread = std::thread([] {
            // A configuration that fails to load here fails again, and is reported, when Qt loads it.
            static_cast<void>(FcInit());
            // ICU keeps the locale and zone data it loads here, and the date line's pattern is cached.
            static_cast<void>(LockView::dateLine(QDateTime::currentDateTimeUtc()));
        });
    } catch (const std::system_error&) {
        // Without a thread the same work happens on the main thread when it is first needed.
    }
}

StartupWarmUp::~StartupWarmUp()
{
    wait();
}

void StartupWarmUp::wait()
{
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

} // namespace wendle
