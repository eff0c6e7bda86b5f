// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/HistoryView.h"
#include "lock/LockView.h"
#include "writing/TodayView.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

class QStackedLayout;

namespace wendle {

class AppLockController;
class EntryKey;
class Clock;
class EntryStore;
class ReminderScheduler;

/**
 * The main window's content: the lock screen while locked, otherwise the Today screen or the history. It asks
 * for authentication as soon as it is shown, and the first time the journal opens it credits words to entries
 * that have none and tells the scheduler the written days. While the store's whole-file check runs, a request
 * to unlock waits for it; a refused file is never unlocked.
 *
 * Screens that show entries exist only while unlocked: locking destroys them and the text they held.
 */
class RootView : public QWidget
{
    Q_OBJECT

public:
    RootView(AppLockController& lock, EntryStore& store, ReminderScheduler& scheduler, const Clock& clock,
             QWidget* parent = nullptr);

    bool showingHistory() const { return m_showingHistory; }
    void setShowingHistory(bool showing);
    /** The screen shown now. */
    QWidget* currentScreen() const;
    TodayView* todayView() const { return m_today; }
    HistoryView* historyView() const { return m_history; }
    LockView* lockView() const { return m_lockView; }

    /** Shows the recovery code of the key in use (the caller has asked for authentication). */
    void showRecoveryCode();
    /** Asks for a recovery code and restores the key from it. */
    void askForRecoveryCode();
    /** Explains what a new key means and, once confirmed, starts the journal over with one. */
    void confirmNewKey();
    /** No month recap comes up again until Wendle restarts (entries were just imported or restored). */
    void holdRecapForSession();
    /** Why today's snapshot failed, for the Today screen to say (now and when it is made again); empty: it did not. */
    void setSnapshotProblem(const QString& reason);
    /** The open sheet or dialog about the key, if any. */
    QDialog* keyDialog() const { return m_keyDialog; }

Q_SIGNALS:
    /** The user chose, on a new journal's first recovery code, to use the journal of another computer instead. */
    void joinRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    /** A new key's code; a journal without writing also offers to join another computer's journal. */
    void showNewKeyCode();
    void requestUnlock();
    void route();
    void firstUnlockMaintenance();

    AppLockController& m_lock;
    EntryStore& m_store;
    ReminderScheduler& m_scheduler;
    const Clock& m_clock;
    bool m_showingHistory = false;
    bool m_backfilled = false;
    bool m_unlockWaiting = false;
    bool m_recapHeld = false;
    QString m_snapshotProblem;

    QStackedLayout* m_stack;
    LockView* m_lockView;
    QPointer<TodayView> m_today;
    QPointer<HistoryView> m_history;
    /** The key the screens were made with; compared, never used. */
    const EntryKey* m_screensKey = nullptr;
    QPointer<QDialog> m_keyDialog;
};

} // namespace wendle
