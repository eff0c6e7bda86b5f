// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/TransferContext.h"

#include "journal/EntryStore.h"
#include "journal/WrittenDays.h"
#include "lock/AppLockController.h"
#include "reminders/ReminderScheduler.h"
#include "ui/EnglishPluralForms.h"
#include "ui/MessageBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>

namespace wendle {

TransferContext::TransferContext(AppLockController& lock, EntryStore& store, ReminderScheduler& scheduler,
                                 QWidget* window, std::function<void()> arriving)
    : m_lock(&lock)
    , m_store(&store)
    , m_scheduler(&scheduler)
    , m_window(window)
    , m_arriving(std::move(arriving))
{
}

void TransferContext::afterAuthentication(QObject* guard, std::function<void()> then) const
{
    if (!m_lock->isUnlocked()) {
        return;
    }
    AppLockController* lock = m_lock;
    m_lock->reauthenticate([lock, alive = QPointer<QObject>(guard), then = std::move(then)](bool authenticated) {
        if (alive && authenticated && lock->isUnlocked()) {
            then();
        }
    });
}

std::shared_ptr<const EntryKey> TransferContext::currentKey() const
{
    std::shared_ptr<const EntryKey> key = m_lock->key();
    if (!key) {
        tell(QCoreApplication::translate("wendle::TransferContext",
                                         "Wendle locked before this could start. Nothing was done."));
    }
    return key;
}

void TransferContext::entriesArriving() const
{
    if (m_arriving) {
        m_arriving();
    }
}

void TransferContext::entriesAdded() const
{
    m_scheduler->updateCompletedDays(completedDayKeys(m_store->entries()));
}

void TransferContext::tell(const QString& text, const QString& details) const
{
    //: The application's name, as the title of its messages.
    showMessage(m_window, MessageKind::information, QCoreApplication::translate("wendle::TransferContext", "Wendle"),
                text, details);
}

QMessageBox* TransferContext::question(const QString& text, const QString& informative, MessageKind kind) const
{
    //: The application's name, as the title of its messages.
    return messageBox(m_window, kind, QCoreApplication::translate("wendle::TransferContext", "Wendle"), text,
                      informative);
}

QFileDialog* TransferContext::fileDialog(const QString& title, QFileDialog::AcceptMode mode,
                                         QFileDialog::FileMode fileMode) const
{
    auto* dialog = new QFileDialog(m_window, title, QDir::homePath());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAcceptMode(mode);
    dialog->setFileMode(fileMode);
    return dialog;
}

QString entriesText(qsizetype count)
{
    //: A number of journal entries, inserted into sentences ("Imported %1.").
    return QCoreApplication::translate("wendle::TransferContext", "%n entries", nullptr, pluralCount(count));
}

QString filesText(qsizetype count)
{
    //: A number of files, inserted into sentences.
    return QCoreApplication::translate("wendle::TransferContext", "%n files", nullptr, pluralCount(count));
}

QString versionsText(qsizetype count)
{
    //: A number of earlier versions of entries, inserted into sentences.
    return QCoreApplication::translate("wendle::TransferContext", "%n earlier versions", nullptr, pluralCount(count));
}

QString wordsText(qint64 count)
{
    //: A number of words, inserted into sentences.
    return QCoreApplication::translate("wendle::TransferContext", "%n words", nullptr, pluralCount(count));
}

} // namespace wendle
