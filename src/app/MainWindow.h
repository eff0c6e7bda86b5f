// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

class QMenuBar;

namespace wendle {

class AppLockController;
class Clock;
class EntryStore;
class Preferences;
class ReminderScheduler;
class RootView;
class SettingsView;

/**
 * The main window: 680 × 560 by default and at least, holding the root view. Each time its content is
 * shown, the reminder preferences are handed to the scheduler. Ctrl+Q quits. Closing it or quitting while
 * writing still cannot be saved asks first, so words are never given up without the user's say.
 *
 * Its menu bar stays hidden, to keep the window quiet, until Alt is pressed on its own.
 */
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    MainWindow(AppLockController& lock, EntryStore& store, ReminderScheduler& scheduler, const Clock& clock,
               const Preferences& preferences);

    RootView* rootView() const { return m_root; }
    QMenuBar* menuBar() const { return m_menuBar; }

    /** Asks for authentication again, then shows the recovery code. Only while unlocked. */
    void showRecoveryCode();
    /** Opens the settings window, or raises it when it is open. */
    void showSettings();
    SettingsView* settingsView() const;

    /** The question asked before quitting with writing that could not be saved, while it is shown. */
    QMessageBox* quitQuestion() const { return m_quitQuestion; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /** Saves what is pending; true when nothing is left unwritten. */
    bool writingIsSaved();
    void askBeforeQuitting();
    void quit();

    AppLockController& m_lock;
    EntryStore& m_store;
    ReminderScheduler& m_scheduler;
    const Preferences& m_preferences;
    RootView* m_root;
    QMenuBar* m_menuBar;
    QPointer<QMessageBox> m_quitQuestion;
    bool m_altAlone = false;
    bool m_quitConfirmed = false;
    QPointer<SettingsView> m_settings;
};

} // namespace wendle
