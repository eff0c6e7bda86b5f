// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"

#include "app/RootView.h"
#include "journal/EntryKeyStore.h"
#include "journal/EntryStore.h"
#include "journal/Preferences.h"
#include "journal/SyncEngine.h"
#include "lock/AppLockController.h"
#include "lock/RecoveryCodeDialog.h"
#include "reminders/ReminderScheduler.h"
#include "reminders/SettingsView.h"
#include "reminders/SyncSettings.h"
#include "transfer/SnapshotScheduler.h"
#include "transfer/TransferContext.h"
#include "transfer/TransferMenu.h"
#include "ui/MessageBox.h"
#include "updates/UpdaterController.h"
#include "writing/Autosave.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

namespace wendle {

MainWindow::MainWindow(AppLockController& lock, EntryStore& store, ReminderScheduler& scheduler, const Clock& clock,
                       const Preferences& preferences)
    : m_lock(lock)
    , m_store(store)
    , m_scheduler(scheduler)
    , m_preferences(preferences)
    , m_root(new RootView(lock, store, scheduler, clock, this))
    , m_snapshots(new SnapshotScheduler(store, clock, store.path(), this))
{
    connect(&m_lock, &AppLockController::keyChanged, m_snapshots, [this] { m_snapshots->unlocked(m_lock.key()); });
    connect(m_root, &RootView::joinRequested, this, [this] {
        if (m_sync) {
            joinJournal();
        }
    });
    connect(m_snapshots, &SnapshotScheduler::finished, m_root,
            [this] { m_root->setSnapshotProblem(m_snapshots->problem()); });
    setWindowTitle(QStringLiteral("Wendle"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_root);
    resize(680, 560);
    qApp->installEventFilter(this);

    m_quit = new QAction(tr("Quit"), this);
    QList<QKeySequence> quitKeys = QKeySequence::keyBindings(QKeySequence::Quit);
    if (!quitKeys.contains(QKeySequence(Qt::CTRL | Qt::Key_Q))) {
        quitKeys << QKeySequence(Qt::CTRL | Qt::Key_Q);
    }
    m_quit->setShortcuts(quitKeys);
    m_quit->setShortcutContext(Qt::ApplicationShortcut);
    connect(m_quit, &QAction::triggered, this, &MainWindow::quit);
    addAction(m_quit);

    m_settings = new QAction(tr("Settings…"), this);
    m_settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    // The menu bar is hidden most of the time: the shortcut must work without it.
    m_settings->setShortcutContext(Qt::ApplicationShortcut);
    connect(m_settings, &QAction::triggered, this, &MainWindow::showSettings);
    addAction(m_settings);

    // Until an updater is attached there is nothing to check with.
    m_checkForUpdates = new QAction(tr("Check for updates…"), this);
    m_checkForUpdates->setEnabled(false);
}

QMenuBar* MainWindow::menuBar()
{
    if (!m_menuBar) {
        buildMenuBar();
    }
    return m_menuBar;
}

void MainWindow::buildMenuBar()
{
    // Laid over the top of the content rather than above it: a bar in the layout would make the window taller
    // each time it shows, and the window would stay that size.
    m_menuBar = new QMenuBar(this);
    m_menuBar->hide();
    QMenu* menu = m_menuBar->addMenu(QStringLiteral("wendle"));
    menu->addAction(tr("About wendle"), this, &MainWindow::showAbout);
    menu->addAction(m_checkForUpdates);
    menu->addSeparator();
    menu->addAction(m_settings);
    QAction* recoveryCode = menu->addAction(tr("Show recovery code…"), this, &MainWindow::showRecoveryCode);
    recoveryCode->setEnabled(m_lock.isUnlocked());
    connect(&m_lock, &AppLockController::keyChanged, recoveryCode,
            [this, recoveryCode] { recoveryCode->setEnabled(m_lock.isUnlocked()); });
    QAction* join = menu->addAction(tr("Use my journal from another computer…"), this, &MainWindow::joinJournal);
    join->setEnabled(m_lock.isUnlocked() && m_sync);
    connect(&m_lock, &AppLockController::keyChanged, join,
            [this, join] { join->setEnabled(m_lock.isUnlocked() && m_sync); });
    menu->addSeparator();
    // Entries brought in from outside are no new month to look back on.
    addTransferCommands(menu,
                        TransferContext(m_lock, m_store, m_scheduler, this, [this] { m_root->holdRecapForSession(); }));
    menu->addSeparator();
    menu->addAction(m_quit);
    connect(menu, &QMenu::aboutToHide, m_menuBar, &QWidget::hide);
}

void MainWindow::joinJournal()
{
    const bool withWriting = journalHoldsWriting(m_store);
    // Asked from the settings window, the question stands over it.
    QWidget* over = m_settingsWindow && m_settingsWindow->isVisible() ? static_cast<QWidget*>(m_settingsWindow) : this;
    auto* dialog = new RecoveryCodeDialog(
        over, withWriting ? RecoveryCodeDialog::Purpose::joinWithWriting : RecoveryCodeDialog::Purpose::join);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &RecoveryCodeDialog::codeEntered, this, [this, dialog](const QByteArray& bytes) {
        QPointer<RecoveryCodeDialog> guard(dialog);
        // Writing still waiting for its pause goes into the journal now, under the key it was typed with, so that
        // it is sealed again with the rest.
        Autosave::runAllNow();
        m_lock.joinWithRecoveryCode(EntryKey::fromBytes(bytes), [this, guard](const EntryKeyResult& result) {
            if (!guard) {
                return;
            }
            if (!result.key) {
                guard->showKeyFailure(result, tr("Unlock the journal, then try again."));
                return;
            }
            guard->accept();
            if (!m_sync->folder().isEmpty()) {
                m_sync->syncNow();
                return;
            }
            // The entries come through the folder: choosing it is the next step.
            showSettings();
            if (m_settingsWindow && m_settingsWindow->sync()) {
                m_settingsWindow->sync()->askForFolder();
            }
        });
    });
    dialog->open();
}

void MainWindow::showRecoveryCode()
{
    QPointer<RootView> root(m_root);
    m_lock.reauthenticate([root](bool authenticated) {
        if (root && authenticated) {
            root->showRecoveryCode();
        }
    });
}

void MainWindow::attachUpdater(UpdaterController& updater)
{
    updater.setWindow(this);
    m_checkForUpdates->setEnabled(updater.canCheckForUpdates());
    connect(&updater, &UpdaterController::canCheckForUpdatesChanged, m_checkForUpdates,
            [this, &updater] { m_checkForUpdates->setEnabled(updater.canCheckForUpdates()); });
    connect(m_checkForUpdates, &QAction::triggered, &updater, &UpdaterController::checkForUpdates);
}

void MainWindow::attachSync(SyncEngine& sync)
{
    m_sync = &sync;
    // A settings window opened before has no sync section: the next one will.
    if (m_settingsWindow && !m_settingsWindow->isVisible()) {
        m_settingsWindow->deleteLater();
    }
}

void MainWindow::showAbout()
{
    if (m_about) {
        m_about->raise();
        return;
    }
    m_about = messageBox(this, MessageKind::information, tr("About Wendle"),
                         tr("Wendle %1").arg(QCoreApplication::applicationVersion()),
                         tr("A quiet journal, one prompt a day.\n\nYour journal is kept in %1, every entry sealed with "
                            "a key that lives in your keyring as “entry-encryption-key” of org.wendle.Wendle.")
                             .arg(QDir::toNativeSeparators(m_store.path())));
    m_about->addButton(QMessageBox::Ok);
    m_about->open();
}

void MainWindow::quit()
{
    // Asked here rather than in closeEvent: a window closed into the tray gets no close event.
    if (!m_quitConfirmed && !writingIsSaved()) {
        askBeforeQuitting();
        return;
    }
    m_quitting = true;
    close();
    QApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_quitting || m_quitConfirmed || m_keepRunningWhenClosed || writingIsSaved()) {
        // Closed into the tray, a pending save outlives the hidden window; quitting later still saves and asks.
        event->accept();
        return;
    }
    event->ignore();
    askBeforeQuitting();
}

bool MainWindow::writingIsSaved()
{
    // Writing still waiting for its pause is saved now, with the key it was scheduled with.
    Autosave::runAllNow();
    return !m_store.hasUnsavedChanges() || m_store.save();
}

void MainWindow::askBeforeQuitting()
{
    // The question is asked over the window, so a window hidden in the tray comes back for it.
    if (!isVisible()) {
        show();
    }
    if (m_quitQuestion) {
        m_quitQuestion->raise();
        return;
    }
    m_quitQuestion
        = messageBox(this, MessageKind::warning, QStringLiteral("Wendle"),
                     tr("Your latest writing could not be saved: %1.")
                         .arg(m_store.saveFailure().isEmpty() ? tr("an unknown error") : m_store.saveFailure()));
    QPushButton* keepOpen = m_quitQuestion->addButton(tr("Keep Wendle open"), QMessageBox::RejectRole);
    QPushButton* quitAnyway = m_quitQuestion->addButton(tr("Quit anyway"), QMessageBox::DestructiveRole);
    m_quitQuestion->setDefaultButton(keepOpen);
    m_quitQuestion->setEscapeButton(keepOpen);
    connect(m_quitQuestion, &QMessageBox::buttonClicked, this, [this, quitAnyway](QAbstractButton* clicked) {
        if (clicked == quitAnyway) {
            m_quitConfirmed = true;
            quit();
        }
    });
    m_quitQuestion->open();
}

SettingsView* MainWindow::settingsView() const
{
    return m_settingsWindow;
}

void MainWindow::showSettings()
{
    if (!m_settingsWindow) {
        m_settingsWindow = new SettingsView(m_scheduler, m_sync, this);
        m_settingsWindow->setWindowFlag(Qt::Window);
        m_settingsWindow->setWindowTitle(tr("Settings"));
        m_settingsWindow->setAttribute(Qt::WA_DeleteOnClose);
        if (SyncSettings* sync = m_settingsWindow->sync()) {
            connect(sync, &SyncSettings::joinRequested, this, &MainWindow::joinJournal);
        }
        connect(new QShortcut(QKeySequence::Cancel, m_settingsWindow), &QShortcut::activated, m_settingsWindow,
                &QWidget::close);
    }
    m_settingsWindow->show();
    m_settingsWindow->raise();
    m_settingsWindow->activateWindow();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Alt pressed and released with nothing in between shows the menu bar, as desktops do for hidden menus.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        m_altAlone = key->key() == Qt::Key_Alt && !key->isAutoRepeat() && isActiveWindow();
    } else if (event->type() == QEvent::KeyRelease && m_altAlone) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Alt) {
            m_altAlone = false;
            QMenuBar* bar = menuBar();
            placeMenuBar();
            bar->setVisible(!bar->isVisible());
            if (bar->isVisible()) {
                bar->raise();
                bar->setActiveAction(bar->actions().value(0));
            }
        }
    } else if (event->type() == QEvent::MouseButtonPress) {
        m_altAlone = false;
    } else if (event->type() == QEvent::Paint && !m_menuBarQueued && watched->isWidgetType()
               && static_cast<QWidget*>(watched)->window() == this) {
        // Made after the first paint: the menu bar is hidden, and its set-up would only delay the lock screen.
        m_menuBarQueued = true;
        QMetaObject::invokeMethod(this, &MainWindow::menuBar, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeMenuBar();
}

void MainWindow::placeMenuBar()
{
    if (m_menuBar) {
        m_menuBar->setGeometry(0, 0, width(), m_menuBar->sizeHint().height());
    }
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    const ReminderPreferences reminders = m_preferences.reminderPreferences();
    m_scheduler.configure(reminders.enabled, reminders.hour, reminders.minute, reminders.nudgeEnabled,
                          reminders.nudgeHour, reminders.nudgeMinute);
}

} // namespace wendle
