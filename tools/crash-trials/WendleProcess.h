// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "XDesktop.h"

#include <QProcess>
#include <QString>

#include <functional>

namespace wendle {

/**
 * One run of the real program on a journal folder of its own, answered as its owner would answer it. Whatever
 * it prints goes to a log file, shown when a trial fails.
 */
class WendleProcess
{
public:
    WendleProcess(XDesktop& desktop, const QString& dataHome, const QString& logFile);
    /** Kills the program if it still runs. */
    ~WendleProcess();

    bool start();
    /**
     * Answers the unlock question with the session's password once it is on screen and holds the focus, and
     * checks that every key reached it; a question asked again, or a second one, is answered the same way.
     * `submittedAt` is when the Return reached the question; `beforeReturn` runs just before it is pressed. With
     * `waitUntilUnlocked`, returns once no question is left. Returns why it could not, or nothing.
     */
    QString answerUnlock(bool waitUntilUnlocked, qint64* submittedAt = nullptr,
                         const std::function<void()>& beforeReturn = {});
    /** The main window, given the focus; 0 (and `problem` set) when it does not appear or take it. */
    XDesktop::Window focusMainWindow(QString* problem);
    /** SIGKILL; returns the moment just before it was sent. */
    qint64 kill();
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    /** The last lines the program printed, for a failure report. */
    QString outputTail() const;

private:
    XDesktop& m_desktop;
    QString m_logFile;
    QProcess m_process;
};

} // namespace wendle
