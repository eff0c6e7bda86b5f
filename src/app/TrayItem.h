// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace wendle {

class AppLockController;
class Clock;
class EntryStore;
class MainWindow;
class ReminderScheduler;
class TrayPanel;
class UpdaterController;

/**
 * Wendle in the system tray: the leaf icon, titled "wendle", whose activation opens and closes the quick-entry
 * panel, and whose menu offers "Open wendle", "Settings…", "Check for updates…" and "Quit". The panel follows
 * the lock's key and the updater's readiness.
 */
class TrayItem : public QObject
{
    Q_OBJECT

public:
    TrayItem(AppLockController& lock, UpdaterController& updater, EntryStore& store, ReminderScheduler& scheduler,
             const Clock& clock, MainWindow& window, QObject* parent = nullptr);
    ~TrayItem() override;

    QSystemTrayIcon* icon() const { return m_icon; }
    TrayPanel* panel() const { return m_panel.get(); }

Q_SIGNALS:
    /** "Open wendle". */
    void openRequested();

private:
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<TrayPanel> m_panel;
    QSystemTrayIcon* m_icon;
};

} // namespace wendle
