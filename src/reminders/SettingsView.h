// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Preferences.h"

#include <QWidget>

class QTimeEdit;

namespace wendle {

class ReminderScheduler;
class SnapshotSettings;
class SyncEngine;
class SyncSettings;
class SwitchToggle;

/**
 * The settings window's content: the daily reminder and the evening nudge, each switched and timed, and the
 * switch for the Today screen's reminder to check the recovery code; below them, writing (`WritingSettings`) and
 * the daily snapshots (`SnapshotSettings`) and, given an engine, sync (`SyncSettings`).
 * Every change of one of the six reminder values is handed to the scheduler at once; opening the window changes
 * nothing. The nudge can be set only while the daily reminder is on, and keeps its own setting meanwhile.
 */
class SettingsView : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsView(ReminderScheduler& scheduler, SyncEngine* sync = nullptr, QWidget* parent = nullptr);

    /** Hands the six stored values to the scheduler. */
    void applySettings();

    SwitchToggle* reminderToggle() const { return m_reminderToggle; }
    QTimeEdit* reminderTime() const { return m_reminderTime; }
    SwitchToggle* nudgeToggle() const { return m_nudgeToggle; }
    QTimeEdit* nudgeTime() const { return m_nudgeTime; }
    SwitchToggle* recoveryCodeToggle() const { return m_recoveryCodeToggle; }
    SnapshotSettings* snapshots() const { return m_snapshots; }
    /** Null without an engine. */
    SyncSettings* sync() const { return m_sync; }

private:
    /** Stores one value and applies the settings, unless the value is already stored. */
    template <typename T> void change(const PreferenceKey<T>& key, T& field, T value);
    QTimeEdit* timePicker(int hour, int minute);
    void updateEnabled();

    Preferences m_preferences;
    ReminderScheduler& m_scheduler;
    bool m_enabled;
    int m_hour;
    int m_minute;
    bool m_nudgeEnabled;
    int m_nudgeHour;
    int m_nudgeMinute;

    SwitchToggle* m_reminderToggle;
    QTimeEdit* m_reminderTime;
    SwitchToggle* m_nudgeToggle;
    QTimeEdit* m_nudgeTime;
    SwitchToggle* m_recoveryCodeToggle;
    SnapshotSettings* m_snapshots = nullptr;
    SyncSettings* m_sync = nullptr;
};

} // namespace wendle
