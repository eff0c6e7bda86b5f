// SPDX-License-Identifier: GPL-3.0-or-later
#include "XDesktop.h"

#include <QProcess>
#include <QThread>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <ctime>

namespace wendle {

namespace {

// Windows come and go under the trials (the program is killed): asking about one that is gone is expected.
int ignoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

bool runXdotool(const QStringList& arguments, QByteArray* output = nullptr)
{
    QProcess tool;
    startTool(tool, QStringLiteral("xdotool"), arguments);
    const bool ok = tool.waitForFinished(15000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    if (output) {
        *output = tool.readAllStandardOutput();
    }
    return ok;
}

} // namespace

void startTool(QProcess& tool, const QString& program, const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("PAM_WRAPPER"));
    tool.setProcessEnvironment(environment);
    tool.start(program, arguments);
}

qint64 monotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

XDesktop::XDesktop()
    : m_display(XOpenDisplay(nullptr))
{
    XSetErrorHandler(ignoreErrors);
}

XDesktop::~XDesktop()
{
    if (m_display) {
        XCloseDisplay(m_display);
    }
}

XDesktop::Window XDesktop::waitForWindow(const QString& pattern, qint64 timeoutMs)
{
    const qint64 deadline = monotonicMs() + timeoutMs;
    do {
        QByteArray found;
        runXdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), pattern},
                   &found);
        // xdotool lists in stacking order: the last is on top.
        const QList<QByteArray> ids = found.trimmed().split('\n');
        if (const Window id = ids.last().toULong()) {
            return id;
        }
        QThread::msleep(50);
    } while (monotonicMs() < deadline);
    return 0;
}

bool XDesktop::isViewable(Window window)
{
    XWindowAttributes attributes{};
    return XGetWindowAttributes(m_display, window, &attributes) != 0 && attributes.map_state == IsViewable;
}

bool XDesktop::hasFocus(Window window)
{
    ::Window focused = 0;
    int revert = 0;
    XGetInputFocus(m_display, &focused, &revert);
    return focused == window;
}

bool XDesktop::focus(Window window, qint64 timeoutMs)
{
    const qint64 deadline = monotonicMs() + timeoutMs;
    do {
        if (!isViewable(window)) {
            QThread::msleep(20);
            continue;
        }
        XSetInputFocus(m_display, window, RevertToPointerRoot, CurrentTime);
        XSync(m_display, False);
        if (hasFocus(window)) {
            return true;
        }
        QThread::msleep(20);
    } while (monotonicMs() < deadline);
    return false;
}

void XDesktop::watchKeys(Window window)
{
    if (m_watched) {
        XSelectInput(m_display, m_watched, NoEventMask);
    }
    m_watched = window;
    XSelectInput(m_display, window, KeyPressMask);
    XSync(m_display, False);
    // Whatever was queued before belongs to an earlier window.
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
    }
    m_presses.clear();
}

void XDesktop::collect()
{
    XSync(m_display, False);
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type != KeyPress || event.xkey.window != m_watched) {
            continue;
        }
        // The server's time stamp is its monotonic clock in milliseconds, cut to 32 bits.
        const qint64 now = monotonicMs();
        const qint64 age = qint64(quint32(quint32(now) - quint32(event.xkey.time)));
        if (age > 10000 && !m_warnedAboutClock) {
            m_warnedAboutClock = true;
            std::fprintf(stderr,
                         "crash trials: the X server's time stamps are not monotonic milliseconds; keys are "
                         "timed by when the trials saw them\n");
        }
        char typed[8] = {};
        KeySym symbol = 0;
        const int length = XLookupString(&event.xkey, typed, sizeof typed, &symbol, nullptr);
        m_presses.push_back({age > 10000 ? now : now - age, QString::fromLatin1(typed, length)});
    }
}

const std::vector<XDesktop::Keystroke>& XDesktop::keyPresses(std::size_t count, qint64 timeoutMs)
{
    const qint64 deadline = monotonicMs() + timeoutMs;
    collect();
    while (m_presses.size() < count && monotonicMs() < deadline) {
        QThread::msleep(5);
        collect();
    }
    return m_presses;
}

void XDesktop::startTyping(QProcess& typist, const QString& text, int delayMs)
{
    startTool(typist, QStringLiteral("xdotool"),
              {QStringLiteral("type"), QStringLiteral("--delay"), QString::number(delayMs), text});
}

bool XDesktop::press(const QStringList& keys)
{
    return runXdotool(QStringList{QStringLiteral("key")} + keys);
}

} // namespace wendle
