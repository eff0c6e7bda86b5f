// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QColor>

#include <memory>

namespace wendle {

class AgentNotificationCenter;
class AppLockController;
class Authenticator;
class InstanceLock;
class DBusSystemEvents;
class EntryStore;
class Keychain;
class MainWindow;
class Preferences;
class QuickEntry;
class ReminderScheduler;
class SessionIdleTime;
class StartupWarmUp;
class SyncEngine;
class SystemClock;
class TerminationSignals;
class TrayItem;
class UpdaterController;

/**
 * The application: opens the journal (checking the whole file behind the lock screen), owns the scheduler, the lock
 * controller and the updater (made once, in that order), and shows the main window and, where the desktop has a system
 * tray, the tray item. With a tray, closing the window leaves Wendle running there. One runs per user; a second launch
 * raises the first one's window. `--quick-entry` opens only the quick-entry panel instead of the window. However it
 * ends (last window closed, Ctrl+Q, logout, SIGTERM or SIGINT), pending writing is saved first; writing that still
 * cannot be saved is reported to the system log and the exit status is 1.
 */
class Translations;

class WendleApp : public QApplication
{
    Q_OBJECT

public:
    WendleApp(int& argc, char** argv);
    ~WendleApp() override;

    /** Starts Wendle and runs it, with the warm-up begun before this object; the process's exit status. */
    int run(StartupWarmUp& warmUp);

    /** Shows and raises the main window (a second launch asks for this). */
    void activate();
    /**
     * Opens the quick-entry panel on its own (`wendle --quick-entry`, or the desktop entry's action of this name
     * in a second launch), once the journal has passed its check.
     */
    void openQuickEntry();

    static inline const QString quickEntryAction = QStringLiteral("new-entry");

protected:
    /** Starts what the lock screen does not need (`startAfterFirstPaint`) once it has painted. */
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /** When the lock screen has not painted by then, what follows its paint starts all the same. */
    static constexpr int checkFallbackMilliseconds = 500;
    /** How long a second launch waits for the running Wendle to take its bus name and answer. */
    static constexpr int handOverWaitMilliseconds = 3000;

    enum class Instance
    {
        only,
        another,
        failed
    };

    /** Claims the journal for this process; `failed` sets `error` to a sentence naming the folder. */
    Instance becomeTheOnlyInstance(QString* error);
    /** Asks the Wendle that holds the journal to show itself (or its quick-entry panel), and says so. */
    void handOverToRunningInstance();
    /** Takes Wendle's name on the session bus, by which a second launch reaches this one. */
    void claimBusName();
    /** The journal's whole-file check, the keyring's library and the bus name: nothing the lock screen shows. */
    void startAfterFirstPaint();
    /** Joins the session and system buses: the bus name, sleep and screen-lock events, idle time, the agent. */
    void joinTheSession();
    void watchTerminationSignals();
    /** True when nothing is left unwritten. */
    [[nodiscard]] bool saveEverything();
    /**
     * Once the whole-file check has ended: refuses a damaged journal (the lock screen stays, then Wendle closes
     * with status 1), or adds what writes to a sound one.
     */
    void startJournal();
    /** Syncs through the folder the user chose, following the lock; off while none is chosen. */
    void startSync();
    /** Reports a start-up failure on standard error and in a dialog; the exit status. */
    static int failToStart(const QString& message);
    /** The message refusing a journal: the reason, and that the file is left as it was. */
    static QString untouchedJournal(const QString& error);

    // Declared first so it goes last: a signal during the final writes must not cut them short.
    std::unique_ptr<TerminationSignals> m_terminationSignals;
    std::unique_ptr<InstanceLock> m_instanceLock;
    /** The desktop's window colour, before Wendle's light palette replaces it. */
    QColor m_desktopWindowColour;
    std::unique_ptr<Translations> m_translations;
    std::unique_ptr<Preferences> m_preferences;
    // Declared first so it outlives the store, which reads it.
    std::unique_ptr<SystemClock> m_clock;
    std::unique_ptr<EntryStore> m_store;
    std::unique_ptr<Keychain> m_keychain;
    std::unique_ptr<Authenticator> m_authenticator;
    std::unique_ptr<DBusSystemEvents> m_systemEvents;
    std::unique_ptr<SessionIdleTime> m_idleTime;
    std::unique_ptr<AgentNotificationCenter> m_notificationCenter;
    std::unique_ptr<ReminderScheduler> m_scheduler;
    std::unique_ptr<AppLockController> m_lock;
    std::unique_ptr<UpdaterController> m_updater;
    std::unique_ptr<MainWindow> m_window;
    // After the store and the window, before them in destruction: it writes to the one and the other shows it.
    std::unique_ptr<SyncEngine> m_sync;
    // Declared after the window, whose commands its menu offers.
    std::unique_ptr<TrayItem> m_tray;
    /** The tray's panel, or one of its own without a tray; none before the journal's check. */
    QuickEntry* m_quickEntry = nullptr;
    bool m_quickEntryWanted = false;
    bool m_startedAfterPaint = false;
};

} // namespace wendle
