// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"

#include "app/RootView.h"
#include "journal/Preferences.h"
#include "reminders/ReminderScheduler.h"

#include <QAction>
#include <QApplication>
#include <QShowEvent>
#include <QVBoxLayout>

namespace wendle {

MainWindow::MainWindow(AppLockController& lock, EntryStore& store, ReminderScheduler& scheduler, const Clock& clock,
                       const Preferences& preferences)
    : m_scheduler(scheduler)
    , m_preferences(preferences)
    , m_root(new RootView(lock, store, scheduler, clock, this))
{
    setWindowTitle(QStringLiteral("Wendle"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_root);
    resize(680, 560);

    auto* quit = new QAction(this);
    QList<QKeySequence> quitKeys = QKeySequence::keyBindings(QKeySequence::Quit);
    if (!quitKeys.contains(QKeySequence(Qt::CTRL | Qt::Key_Q))) {
        quitKeys << QKeySequence(Qt::CTRL | Qt::Key_Q);
    }
    quit->setShortcuts(quitKeys);
    quit->setShortcutContext(Qt::ApplicationShortcut);
    connect(quit, &QAction::triggered, qApp, &QApplication::quit);
    addAction(quit);
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
