// SPDX-License-Identifier: GPL-3.0-or-later
// Kept apart from the Qt code: Xlib's headers define macros (KeyPress, None, …) that clash with Qt's names.
#include "lock/IdleTime.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace wendle {

std::unique_ptr<X11IdleTime> X11IdleTime::open()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        return nullptr;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return nullptr;
    }
    int eventBase = 0;
    int errorBase = 0;
    if (!XScreenSaverQueryExtension(display, &eventBase, &errorBase)) {
        XCloseDisplay(display);
        return nullptr;
    }
    return std::unique_ptr<X11IdleTime>(new X11IdleTime(display));
}

X11IdleTime::X11IdleTime(void* display)
    : m_display(display)
{
}

X11IdleTime::~X11IdleTime()
{
    XCloseDisplay(static_cast<Display*>(m_display));
}

std::optional<double> X11IdleTime::secondsSinceLastInput()
{
    auto* display = static_cast<Display*>(m_display);
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    if (!info) {
        return std::nullopt;
    }
    std::optional<double> seconds;
    if (XScreenSaverQueryInfo(display, DefaultRootWindow(display), info)) {
        seconds = static_cast<double>(info->idle) / 1000.0;
    }
    XFree(info);
    return seconds;
}

} // namespace wendle
