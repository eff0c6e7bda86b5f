// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <memory>

namespace wendle {

class AppLockController;
class Clock;
class EntryStore;
class ReminderScheduler;
class TrayPanel;
class UpdaterController;

/**
 * The quick-entry panel and what it follows: the lock's key (its "Unlock" asks the lock, and the panel comes back
 * with the answer) and the updater's readiness. The tray opens it by its icon; `wendle --quick-entry` and the desktop
 * entry's "New entry" open it on its own, so that it can be reached on desktops without a tray.
 */
class QuickEntry : public QObject
{
    Q_OBJECT

public:
    QuickEntry(AppLockController& lock, UpdaterController& updater, EntryStore& store, ReminderScheduler& scheduler,
               const Clock& clock, QObject* parent = nullptr);
    ~QuickEntry() override;

    TrayPanel* panel() const { return m_panel.get(); }

    /**
     * Opens the panel by the pointer, or in the middle of the screen where the pointer's place is not known
     * (Wayland); an open panel is raised instead.
     */
    void openAlone();

Q_SIGNALS:
    /** The panel went away: Escape or a click elsewhere. */
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<TrayPanel> m_panel;
    /** Its "Unlock" was pressed and the answer has not come yet. */
    bool m_reopenAfterUnlock = false;
};

} // namespace wendle
