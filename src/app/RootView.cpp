// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RootView.h"

#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/LockedBuffer.h"
#include "journal/RecoveryCode.h"
#include "journal/WordCount.h"
#include "journal/WrittenDays.h"
#include "lock/AppLockController.h"
#include "lock/LockView.h"
#include "lock/RecoveryCodeDialog.h"
#include "lock/RecoveryCodeSheet.h"
#include "reminders/ReminderScheduler.h"
#include "ui/MessageBox.h"
#include "writing/Autosave.h"
#include "writing/TodayView.h"

#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QStackedLayout>

#include <utility>

namespace wendle {

RootView::RootView(AppLockController& lock, EntryStore& store, ReminderScheduler& scheduler, const Clock& clock,
                   QWidget* parent)
    : QWidget(parent)
    , m_lock(lock)
    , m_store(store)
    , m_scheduler(scheduler)
    , m_clock(clock)
    , m_stack(new QStackedLayout(this))
    , m_lockView(new LockView(this))
{
    setMinimumSize(680, 560);
    m_stack->addWidget(m_lockView);
    connect(m_lockView, &LockView::unlockRequested, this, &RootView::requestUnlock);
    connect(&m_store, &EntryStore::integrityChecked, this, [this] {
        if (std::exchange(m_unlockWaiting, false)) {
            requestUnlock();
        }
    });
    connect(&m_lock, &AppLockController::authFailedChanged, this,
            [this] { m_lockView->setFailed(m_lock.authFailed()); });
    // Credits first: the Today screen reads them when it is made (the recap's word total, looking back).
    connect(&m_lock, &AppLockController::keyChanged, this, [this] {
        if (!m_lock.isUnlocked() && qobject_cast<RecoveryCodeSheet*>(m_keyDialog.data())) {
            // A shown code goes with the key.
            m_keyDialog->close();
        }
        if (m_lock.isUnlocked() && m_screensKey && m_screensKey != m_lock.key().get()) {
            // The journal took another key while unlocked (it joined another computer's): the screens hold the
            // old one, which no longer opens its text. They are made again under the new one.
            delete m_today;
            delete m_history;
        }
        m_screensKey = m_lock.isUnlocked() ? m_lock.key().get() : nullptr;
        // Writing that could not be saved before the lock is tried again at once.
        if (m_lock.isUnlocked() && m_store.hasUnsavedChanges()) {
            // A failure stays pending: the store retries it and the screens show its `saveFailure()`.
            static_cast<void>(m_store.save());
        }
        firstUnlockMaintenance();
        route();
    });
    connect(&m_lock, &AppLockController::keyProblemChanged, this,
            [this] { m_lockView->setKeyProblem(m_lock.keyProblem(), m_lock.keyStatus()); });
    connect(&m_lock, &AppLockController::keyCreated, this, &RootView::showNewKeyCode);
    connect(m_lockView, &LockView::restoreRequested, this, &RootView::askForRecoveryCode);
    connect(m_lockView, &LockView::newKeyRequested, this, &RootView::confirmNewKey);
    m_lockView->setFailed(m_lock.authFailed());
    m_lockView->setKeyProblem(m_lock.keyProblem(), m_lock.keyStatus());
    firstUnlockMaintenance();
    route();
}

void RootView::setShowingHistory(bool showing)
{
    m_showingHistory = showing;
    route();
}

QWidget* RootView::currentScreen() const
{
    return m_stack->currentWidget();
}

void RootView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        // Right after this show: the lock screen paints first, then the question appears over it.
        QMetaObject::invokeMethod(this, &RootView::requestUnlock, Qt::QueuedConnection);
    }
}

void RootView::requestUnlock()
{
    switch (m_store.integrity()) {
    case EntryStore::Integrity::sound:
        m_lock.unlock();
        break;
    case EntryStore::Integrity::unchecked:
        // The key would let writing reach the file: it waits for the check, which takes moments.
        m_unlockWaiting = true;
        break;
    case EntryStore::Integrity::refused:
        break;
    }
}

void RootView::route()
{
    if (!m_lock.isUnlocked()) {
        // The screens that hold entry text go with the key, and so does writing still waiting for its pause:
        // it is saved now, so that no copy of the key outlives the lock.
        delete m_today;
        delete m_history;
        Autosave::runAllNow();
        m_stack->setCurrentWidget(m_lockView);
        return;
    }
    if (m_showingHistory) {
        delete m_today;
        if (!m_history) {
            m_history = new HistoryView(
                m_store, m_lock.key(), [this] { setShowingHistory(false); }, m_clock, this);
            m_stack->addWidget(m_history);
        }
        m_stack->setCurrentWidget(m_history);
        return;
    }
    delete m_history;
    if (!m_today) {
        m_today = new TodayView(
            m_store, m_scheduler, m_lock.key(), [this] { setShowingHistory(true); }, m_clock, nullptr, this);
        m_today->setRecapHeld(m_recapHeld);
        m_today->setSnapshotProblem(m_snapshotProblem);
        m_stack->addWidget(m_today);
    }
    m_stack->setCurrentWidget(m_today);
}

void RootView::showRecoveryCode()
{
    const std::shared_ptr<const EntryKey> key = m_lock.key();
    if (!key) {
        return;
    }
    delete m_keyDialog;
    QByteArray bytes(reinterpret_cast<const char*>(key->data()), key->length());
    auto* sheet = new RecoveryCodeSheet(formatRecoveryCode(bytes), window());
    wipeBytes(bytes);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    m_keyDialog = sheet;
    sheet->open();
}

void RootView::showNewKeyCode()
{
    showRecoveryCode();
    auto* sheet = qobject_cast<RecoveryCodeSheet*>(m_keyDialog.data());
    if (sheet && !m_store.holdsSealedBodies() && m_store.sealedOwnWords().empty()) {
        sheet->offerJoining();
        connect(sheet, &RecoveryCodeSheet::joinRequested, this, &RootView::joinRequested);
    }
}

void RootView::holdRecapForSession()
{
    m_recapHeld = true;
    if (m_today) {
        m_today->setRecapHeld(true);
    }
}

void RootView::setSnapshotProblem(const QString& reason)
{
    m_snapshotProblem = reason;
    if (m_today) {
        m_today->setSnapshotProblem(reason);
    }
}

void RootView::askForRecoveryCode()
{
    delete m_keyDialog;
    auto* dialog = new RecoveryCodeDialog(window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_keyDialog = dialog;
    connect(dialog, &RecoveryCodeDialog::codeEntered, this, [this, dialog](const QByteArray& bytes) {
        QPointer<RecoveryCodeDialog> guard(dialog);
        m_lock.restoreFromRecoveryCode(EntryKey::fromBytes(bytes), [guard](const EntryKeyResult& result) {
            if (!guard) {
                return;
            }
            if (result.key) {
                guard->accept();
            } else {
                guard->showKeyFailure(result, tr("This code belongs to another journal."));
            }
        });
    });
    dialog->open();
}

void RootView::confirmNewKey()
{
    delete m_keyDialog;
    QMessageBox* box = messageBox(
        window(), MessageKind::warning, tr("Continue with a new key"), tr("Start this journal over with a new key?"),
        tr("The entries written so far stay in this journal, sealed under the old key. They open again "
           "only if the old key is restored from its recovery code. A key now in your keyring is kept "
           "aside under a name of its own. Nothing is deleted."));
    box->addButton(tr("Cancel"), QMessageBox::RejectRole);
    QPushButton* proceed = box->addButton(tr("Continue with a new key"), QMessageBox::AcceptRole);
    m_keyDialog = box;
    // Once the box has closed: the authentication dialog asked for now would belong to it, and go with it.
    connect(box, &QMessageBox::finished, this, [this, box, proceed] {
        if (box->clickedButton() == proceed) {
            // The new key's recovery code follows through keyCreated.
            m_lock.continueWithNewKey({});
        }
    });
    box->open();
}

void RootView::firstUnlockMaintenance()
{
    const std::shared_ptr<const EntryKey> key = m_lock.key();
    if (!key || m_backfilled) {
        return;
    }
    m_backfilled = true;
    for (Entry* entry : m_store.entries()) {
        if (entry->creditedWords() != 0) {
            continue;
        }
        QString text;
        try {
            text = openEntryText(entry->cipherBody(), *key);
        } catch (const std::exception&) {
            // Counted as empty now, tried again at the next start.
        }
        m_store.setCreditedWords(entry, countWords(text));
    }
    // Credits that cannot be written yet stay pending and are retried by the store.
    static_cast<void>(m_store.save());
    m_scheduler.updateCompletedDays(completedDayKeys(m_store.entries()));
}

} // namespace wendle
