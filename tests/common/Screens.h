// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QDateTime>
#include <QTest>
#include <QTimeZone>
#include <QWidget>

namespace wendle::test {

/** Screens are tested in Berlin, in English, whatever the machine says. */
inline void liveInBerlin()
{
    qputenv("TZ", "Europe/Berlin");
    qputenv("LC_ALL", "en_US.UTF-8");
}

/** A moment of March 2026 on Berlin's clocks. */
inline QDateTime berlin(int day, int hour, int minute = 0, int second = 0)
{
    return QDateTime(QDate(2026, 3, day), QTime(hour, minute, second), QTimeZone("Europe/Berlin")).toUTC();
}

/** Shows `window` and activates it, as a window manager would (the test session runs none). */
inline void showActive(QWidget* window)
{
    window->show();
    QApplication::setActiveWindow(window);
    if (!QTest::qWaitForWindowExposed(window)) {
        qWarning("the window was not shown");
    }
}

} // namespace wendle::test
