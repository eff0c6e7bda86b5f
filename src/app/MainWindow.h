// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace wendle {

class AppLockController;
class Clock;
class EntryStore;
class Preferences;
class ReminderScheduler;
class RootView;

/**
 * The main window: 680 × 560 by default and at least, holding the root view. Each time its content is
 * shown, the reminder preferences are handed to the scheduler. Ctrl+Q quits.
 */
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    MainWindow(AppLockController& lock, EntryStore& store, ReminderScheduler& scheduler, const Clock& clock,
               const Preferences& preferences);

    RootView* rootView() const { return m_root; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    ReminderScheduler& m_scheduler;
    const Preferences& m_preferences;
    RootView* m_root;
};

} // namespace wendle
