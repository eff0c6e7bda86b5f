// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/MessageBox.h"

#include <QFileDialog>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QMessageBox;
class QWidget;

namespace wendle {

class AppLockController;
class EntryKey;
class EntryStore;
class ReminderScheduler;

/**
 * What the transfer commands all work with: the lock controller (and through it the key), the store, the
 * reminder scheduler that learns of added entries, and the window their dialogs belong to. Each command needs the
 * journal unlocked and asks for authentication again before it reads every entry.
 */
class TransferContext
{
public:
    /** `arriving` runs each time an import or a restore is about to add entries. */
    TransferContext(AppLockController& lock, EntryStore& store, ReminderScheduler& scheduler, QWidget* window,
                    std::function<void()> arriving = {});

    AppLockController& lock() const { return *m_lock; }
    EntryStore& store() const { return *m_store; }
    QWidget* window() const { return m_window; }

    /** Runs `then` after a fresh authentication, if the journal is still unlocked and `guard` still exists. */
    void afterAuthentication(QObject* guard, std::function<void()> then) const;

    /**
     * The key for work that starts now. The key is never held while a dialog waits, so locking in between
     * still wipes it; then the user is told that nothing was done.
     */
    std::shared_ptr<const EntryKey> currentKey() const;

    /** An import or a restore is about to add entries: entries the user did not just write. */
    void entriesArriving() const;
    /** Hands the new set of written days to the reminder scheduler. */
    void entriesAdded() const;

    /** Says `text` in a window-modal message, with `details` behind its details button. */
    void tell(const QString& text, const QString& details = {}) const;
    /** A window-modal question without buttons yet, deleted when it closes; the caller adds them and opens it. */
    QMessageBox* question(const QString& text, const QString& informative,
                          MessageKind kind = MessageKind::question) const;
    /** A window-modal file dialog starting at home, deleted when it closes. */
    QFileDialog* fileDialog(const QString& title, QFileDialog::AcceptMode mode, QFileDialog::FileMode fileMode) const;

private:
    AppLockController* m_lock;
    EntryStore* m_store;
    ReminderScheduler* m_scheduler;
    QPointer<QWidget> m_window;
    std::function<void()> m_arriving;
};

/** "1 entry", "2 entries". */
QString entriesText(qsizetype count);
/** "1 file", "2 files". */
QString filesText(qsizetype count);
/** "1 earlier version", "2 earlier versions". */
QString versionsText(qsizetype count);
/** "1 word", "2 words". */
QString wordsText(qint64 count);

} // namespace wendle
