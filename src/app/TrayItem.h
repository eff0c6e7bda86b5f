// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QIcon>
#include <QObject>

#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace wendle {

class AppLockController;
class Clock;
class EntryStore;
class MainWindow;
class QuickEntry;
class ReminderScheduler;
class TrayPanel;
class UpdaterController;

/**
 * Wendle in the system tray: the leaf icon (see `trayIcon`), titled "wendle", whose activation opens and closes the
 * quick-entry panel (see `QuickEntry`), and whose menu offers "Open wendle", "Settings…", "Check for updates…" and
 * "Quit".
 */
class TrayItem : public QObject
{
    Q_OBJECT

public:
    /** `panel` is the desktop's window colour, which the tray's panel is taken to follow. */
    TrayItem(AppLockController& lock, UpdaterController& updater, EntryStore& store, ReminderScheduler& scheduler,
             const Clock& clock, MainWindow& window, const QColor& panel = Qt::white, QObject* parent = nullptr);
    ~TrayItem() override;

    /**
     * The desktop theme's symbolic icon, which the desktop recolours to suit its panel; without one (Wendle not
     * installed), the bundled leaf in black or white, whichever stands out on a panel of colour `panel`.
     */
    static QIcon trayIcon(const QColor& panel);

    QSystemTrayIcon* icon() const { return m_icon; }
    /** The quick-entry panel its icon opens. */
    QuickEntry& quickEntry() const { return *m_quickEntry; }
    TrayPanel* panel() const;

Q_SIGNALS:
    /** "Open wendle". */
    void openRequested();

private:
    std::unique_ptr<QMenu> m_menu;
    QuickEntry* m_quickEntry;
    QSystemTrayIcon* m_icon;
};

} // namespace wendle
