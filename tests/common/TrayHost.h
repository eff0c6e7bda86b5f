// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QTest>

namespace wendle::test {

/** A system tray in the test session (trayer, at the top right of the screen) for as long as this lives. */
class TrayHost
{
public:
    TrayHost()
    {
        m_trayer.start(QStringLiteral("trayer"),
                       {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                        QStringLiteral("right"), QStringLiteral("--SetDockType"), QStringLiteral("false"),
                        QStringLiteral("--transparent"), QStringLiteral("false")});
    }

    ~TrayHost()
    {
        m_trayer.terminate();
        m_trayer.waitForFinished();
    }

    TrayHost(const TrayHost&) = delete;
    TrayHost& operator=(const TrayHost&) = delete;

    /** Whether the tray came up, waited for: trayer is installed and its window is on the X server. */
    bool isReady()
    {
        return m_trayer.waitForStarted()
            && QTest::qWaitFor(
                   [] {
                       QProcess search;
                       search.start(
                           QStringLiteral("xdotool"),
                           {QStringLiteral("search"), QStringLiteral("--classname"), QStringLiteral("trayer")});
                       return search.waitForFinished(5000) && search.exitCode() == 0;
                   },
                   10000);
    }

private:
    QProcess m_trayer;
};

} // namespace wendle::test
