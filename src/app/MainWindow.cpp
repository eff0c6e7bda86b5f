// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"

#include "app/AppLockController.h"
#include "app/RootView.h"
#include "app/TransferCommands.h"
#include "journal/EntryStore.h"
#include "journal/Preferences.h"
#include "reminders/ReminderScheduler.h"
#include "reminders/SettingsView.h"
#include "writing/Autosave.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
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
    , m_menuBar(new QMenuBar(this))
{
    setWindowTitle(QStringLiteral("Wendle"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setMenuBar(m_menuBar);
    layout->addWidget(m_root);
    resize(680, 560);
    m_menuBar->hide();
    qApp->installEventFilter(this);

    auto* quit = new QAction(this);
    QList<QKeySequence> quitKeys = QKeySequence::keyBindings(QKeySequence::Quit);
    if (!quitKeys.contains(QKeySequence(Qt::CTRL | Qt::Key_Q))) {
        quitKeys << QKeySequence(Qt::CTRL | Qt::Key_Q);
    }
    quit->setShortcuts(quitKeys);
    quit->setShortcutContext(Qt::ApplicationShortcut);
    connect(quit, &QAction::triggered, this, &MainWindow::quit);
    addAction(quit);

    QMenu* menu = m_menuBar->addMenu(QStringLiteral("wendle"));
    QAction* recoveryCode = menu->addAction(QStringLiteral("Show recovery code…"), this, &MainWindow::showRecoveryCode);
    recoveryCode->setEnabled(m_lock.isUnlocked());
    connect(&m_lock, &AppLockController::keyChanged, recoveryCode,
            [this, recoveryCode] { recoveryCode->setEnabled(m_lock.isUnlocked()); });
    QAction* settings = menu->addAction(QStringLiteral("Settings…"), this, &MainWindow::showSettings);
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    settings->setShortcutContext(Qt::ApplicationShortcut);
    // The menu bar is hidden most of the time: the shortcut must work without it.
    addAction(settings);
    menu->addSeparator();
    (new TransferCommands(m_lock, m_store, m_scheduler, this))->addTo(menu);
    menu->addSeparator();
    quit->setText(QStringLiteral("Quit"));
    menu->addAction(quit);
    connect(menu, &QMenu::aboutToHide, m_menuBar, &QWidget::hide);
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

void MainWindow::quit()
{
    if (close()) {
        QApplication::quit();
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_quitConfirmed || writingIsSaved()) {
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
    if (m_quitQuestion) {
        m_quitQuestion->raise();
        return;
    }
    m_quitQuestion = new QMessageBox(
        QMessageBox::Warning, QStringLiteral("Wendle"),
        QStringLiteral("Your latest writing could not be saved: %1.")
            .arg(m_store.saveFailure().isEmpty() ? QStringLiteral("an unknown error") : m_store.saveFailure()),
        QMessageBox::NoButton, this);
    m_quitQuestion->setAttribute(Qt::WA_DeleteOnClose);
    m_quitQuestion->setWindowModality(Qt::WindowModal);
    QPushButton* keepOpen = m_quitQuestion->addButton(QStringLiteral("Keep Wendle open"), QMessageBox::RejectRole);
    QPushButton* quitAnyway = m_quitQuestion->addButton(QStringLiteral("Quit anyway"), QMessageBox::DestructiveRole);
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
    return m_settings;
}

void MainWindow::showSettings()
{
    if (!m_settings) {
        m_settings = new SettingsView(m_scheduler, this);
        m_settings->setWindowFlag(Qt::Window);
        m_settings->setWindowTitle(QStringLiteral("Settings"));
        m_settings->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_settings->show();
    m_settings->raise();
    m_settings->activateWindow();
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
            m_menuBar->setVisible(!m_menuBar->isVisible());
            if (m_menuBar->isVisible()) {
                m_menuBar->setActiveAction(m_menuBar->actions().value(0));
            }
        }
    } else if (event->type() == QEvent::MouseButtonPress) {
        m_altAlone = false;
    }
    return QWidget::eventFilter(watched, event);
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
