// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

class QAction;
class QMenuBar;

namespace wendle {

class AppLockController;
class Clock;
class EntryStore;
class Preferences;
class ReminderScheduler;
class RootView;
class SettingsView;
class SyncEngine;
class SnapshotScheduler;
class UpdaterController;

/**
 * The main window: 680 × 560 by default and at least, holding the root view. Each time its content is
 * shown, the reminder preferences are handed to the scheduler. Ctrl+Q quits. Closing it or quitting while
 * writing still cannot be saved asks first, so words are never given up without the user's say.
 *
 * Its menu bar stays hidden, to keep the window quiet, until Alt is pressed on its own; it then lies over the top
 * of the content, so the window keeps its size. Its one menu, "wendle", holds "About wendle", "Check for
 * updates…", "Settings…" (Ctrl+,), "Show recovery code…" and "Quit". The bar is made once the window has first
 * painted (or when asked for sooner), so that it does not delay the lock screen.
 *
 * While Wendle keeps running in the tray, closing the window only hides it; "Quit" still ends everything. Each
 * unlock lets the day's snapshot be written; one that fails is said on the Today screen.
 */
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    MainWindow(AppLockController& lock, EntryStore& store, ReminderScheduler& scheduler, const Clock& clock,
               const Preferences& preferences);

    RootView* rootView() const { return m_root; }
    SnapshotScheduler& snapshots() const { return *m_snapshots; }
    /** The menu bar, made now if it has not been yet. */
    QMenuBar* menuBar();

    /** Asks for authentication again, then shows the recovery code. Only while unlocked. */
    void showRecoveryCode();
    /** The settings window, while it is open. */
    SettingsView* settingsView() const;

    /** The question asked before quitting with writing that could not be saved, while it is shown. */
    QMessageBox* quitQuestion() const { return m_quitQuestion; }

    /** Lets "Check for updates…" start checks, enabled while `updater` can check; its dialogs open over this. */
    void attachUpdater(UpdaterController& updater);
    /** Sync's section in the settings window: the engine exists once the journal has passed its check. */
    void attachSync(SyncEngine& sync);
    /**
     * "Use my journal from another computer…": takes that journal's key from its recovery code, then asks for the
     * sync folder its entries arrive through.
     */
    void joinJournal();
    /** Closing hides the window rather than quitting (Wendle lives on in the tray). */
    void setKeepRunningWhenClosed(bool keepRunning) { m_keepRunningWhenClosed = keepRunning; }

    /** The application menu's commands, for the tray's menu to offer too. */
    QAction* checkForUpdatesAction() const { return m_checkForUpdates; }
    QAction* settingsAction() const { return m_settings; }
    QAction* quitAction() const { return m_quit; }

public Q_SLOTS:
    /** Saves pending writing and quits, asking first when writing could not be saved. */
    void quit();
    /** "Settings…": opens the settings window, or raises it when it is open. */
    void showSettings();
    void showAbout();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /** Saves what is pending; true when nothing is left unwritten. */
    [[nodiscard]] bool writingIsSaved();
    void askBeforeQuitting();
    /** Makes the menu bar, hidden, with its one menu. */
    void buildMenuBar();
    /** Lays the menu bar across the top of the window. */
    void placeMenuBar();

    AppLockController& m_lock;
    EntryStore& m_store;
    ReminderScheduler& m_scheduler;
    const Preferences& m_preferences;
    RootView* m_root;
    SnapshotScheduler* m_snapshots;
    QMenuBar* m_menuBar = nullptr;
    bool m_menuBarQueued = false;
    QPointer<QMessageBox> m_quitQuestion;
    QPointer<QMessageBox> m_about;
    QAction* m_checkForUpdates;
    QAction* m_settings;
    QAction* m_quit;
    bool m_altAlone = false;
    bool m_quitConfirmed = false;
    QPointer<SettingsView> m_settingsWindow;
    SyncEngine* m_sync = nullptr;
    bool m_quitting = false;
    bool m_keepRunningWhenClosed = false;
};

} // namespace wendle
