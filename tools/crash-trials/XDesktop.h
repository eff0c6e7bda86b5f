// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <vector>

class QProcess;
struct _XDisplay;

namespace wendle {

/** Milliseconds on the monotonic clock: the clock the X server stamps its events with. */
qint64 monotonicMs();

/**
 * Runs one of the session's tools (xdotool, secret-tool) without pam_wrapper, which they never need: each process
 * that has it claims a folder /tmp/pam.? of its own, and a tool claiming one as the program starts can leave the
 * program's PAM without its folder.
 */
void startTool(QProcess& tool, const QString& program, const QStringList& arguments);

/**
 * The test session's X server as the crash trials drive it: windows found by name once they are on screen,
 * focus given and confirmed, keys typed, and the moment each key press reached a window, by the server's own
 * time stamps. Typing is timed from when it was delivered, never from when the typing tool said it was done.
 */
class XDesktop
{
public:
    using Window = unsigned long;

    XDesktop();
    ~XDesktop();
    XDesktop(const XDesktop&) = delete;
    XDesktop& operator=(const XDesktop&) = delete;

    bool isOpen() const { return m_display != nullptr; }

    /** The topmost viewable window whose name matches `pattern` (a regular expression); 0 if none shows in time. */
    static Window waitForWindow(const QString& pattern, qint64 timeoutMs);
    /** Mapped and not hidden behind an unmapped parent; false for a window that is gone. */
    bool isViewable(Window window);
    bool hasFocus(Window window);
    /** Gives `window` the input focus and waits until the server says it has it. */
    bool focus(Window window, qint64 timeoutMs);

    /** Starts recording the key presses delivered to `window`, forgetting any recorded before. */
    void watchKeys(Window window);
    /** A key press that reached the watched window. */
    struct Keystroke
    {
        /** When, in monotonic milliseconds. */
        qint64 at = 0;
        /** What it types; empty for Return, Control and the like. */
        QString text;
    };
    /** The key presses recorded so far, waiting up to `timeoutMs` for there to be at least `count`. */
    const std::vector<Keystroke>& keyPresses(std::size_t count = 0, qint64 timeoutMs = 0);

    /** Starts typing `text` into the focused window, `delayMs` between keys; the caller waits for `typist`. */
    static void startTyping(QProcess& typist, const QString& text, int delayMs);
    /** Presses keys (xdotool names, "ctrl+a") into the focused window and waits until they are sent. */
    static bool press(const QStringList& keys);

private:
    void collect();

    _XDisplay* m_display = nullptr;
    Window m_watched = 0;
    std::vector<Keystroke> m_presses;
    bool m_warnedAboutClock = false;
};

} // namespace wendle
