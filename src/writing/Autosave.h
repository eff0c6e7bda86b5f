// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

namespace wendle {

/**
 * One pending save of a writing surface: runs its save one second after the last `schedule` (a monotonic
 * timer, restarted by every call). It is owned by a long-lived keeper rather than the surface, so a pending
 * save still runs after the surface has gone; `release` hands it over for good.
 */
class Autosave : public QObject
{
    Q_OBJECT

public:
    static constexpr int delayMilliseconds = 1000;

    /** `keeper` outlives every surface (the entry store). */
    explicit Autosave(QObject* keeper);
    ~Autosave() override;

    /** Cancels any pending save and starts a new wait for `save`. */
    void schedule(std::function<void()> save);
    void cancel();
    bool isPending() const { return m_timer.isActive(); }
    /** Runs the pending save now, if there is one. */
    void runNow();

    /** The surface is going away: run the pending save when it is due, then delete this. */
    void release();

    /** Runs every pending save in the process now (before quitting). */
    static void runAllNow();

private:
    void fire();

    QTimer m_timer;
    std::function<void()> m_save;
    bool m_released = false;
};

} // namespace wendle
