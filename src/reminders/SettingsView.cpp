// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/SettingsView.h"

#include "journal/EntryStore.h"
#include "reminders/ReminderScheduler.h"
#include "reminders/SnapshotSettings.h"
#include "reminders/SyncSettings.h"
#include "reminders/WritingSettings.h"
#include "ui/Divider.h"
#include "ui/Palette.h"
#include "ui/SwitchToggle.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QHBoxLayout>
#include <QLocale>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace wendle {

namespace {

constexpr int kTextSize = 13;
constexpr int kWidth = 340;

/** Hours and minutes in the locale's own way: 24-hour, or 12-hour with its day-period marker. */
QString hourAndMinuteFormat()
{
    const QString format = QLocale::system().timeFormat(QLocale::ShortFormat);
    const bool twelveHour = format.contains(u'a', Qt::CaseInsensitive);
    return twelveHour ? QStringLiteral("h:mm AP") : QStringLiteral("HH:mm");
}

QWidget* labelledRow(const QString& label, QWidget* control, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(textLabel(label, kTextSize, Palette::ink(), row));
    layout->addStretch(1);
    layout->addWidget(control);
    control->setAccessibleName(label);
    return row;
}

QLabel* note(const QString& text, QWidget* parent)
{
    QLabel* label = textLabel(text, kTextSize, Palette::muted(), parent);
    label->setWordWrap(true);
    return label;
}

} // namespace

SettingsView::SettingsView(ReminderScheduler& scheduler, SyncEngine* sync, QWidget* parent)
    : QWidget(parent)
    , m_scheduler(scheduler)
    , m_enabled(m_preferences.value(PreferenceKeys::reminderEnabled))
    , m_hour(m_preferences.value(PreferenceKeys::reminderHour))
    , m_minute(m_preferences.value(PreferenceKeys::reminderMinute))
    , m_nudgeEnabled(m_preferences.value(PreferenceKeys::nudgeEnabled))
    , m_nudgeHour(m_preferences.value(PreferenceKeys::nudgeHour))
    , m_nudgeMinute(m_preferences.value(PreferenceKeys::nudgeMinute))
    , m_reminderToggle(new SwitchToggle(tr("Daily reminder"), kTextSize, this))
    , m_reminderTime(timePicker(m_hour, m_minute))
    , m_nudgeToggle(new SwitchToggle(tr("Evening nudge"), kTextSize, this))
    , m_nudgeTime(timePicker(m_nudgeHour, m_nudgeMinute))
    , m_recoveryCodeToggle(new SwitchToggle(tr("Recovery code check"), kTextSize, this))
{
    Palette::usePaperBackground(this);
    setFixedWidth(kWidth);
    m_reminderToggle->setChecked(m_enabled);
    m_nudgeToggle->setChecked(m_nudgeEnabled);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(28, 28, 28, 28);
    stack->setSpacing(18);
    stack->addWidget(m_reminderToggle);
    stack->addWidget(labelledRow(tr("Remind at"), m_reminderTime, this));
    stack->addWidget(note(tr("A quiet nudge from the system — the app doesn't need to be running. Days "
                             "you've already written stay quiet."),
                          this));
    stack->addWidget(new Divider(this));
    stack->addWidget(m_nudgeToggle);
    stack->addWidget(labelledRow(tr("Nudge at"), m_nudgeTime, this));
    stack->addWidget(note(tr("A second chance on days the afternoon slipped by unwritten."), this));
    stack->addWidget(new Divider(this));
    // The full label does not fit the window's width: the note under the switch says it, to the ear as well.
    const QString recoveryNote = tr("Remind me to check my recovery code: every 90 days, a quiet line "
                                    "on the Today screen asks for the code you keep.");
    m_recoveryCodeToggle->setChecked(m_preferences.value(PreferenceKeys::recoveryCodeReminderEnabled));
    m_recoveryCodeToggle->setAccessibleDescription(recoveryNote);
    stack->addWidget(m_recoveryCodeToggle);
    stack->addWidget(note(recoveryNote, this));
    stack->addWidget(new Divider(this));
    m_snapshots = new SnapshotSettings(EntryStore::defaultPath(), kTextSize, this);
    stack->addWidget(m_snapshots);
    stack->addWidget(new Divider(this));
    if (sync) {
        m_sync = new SyncSettings(*sync, kTextSize, this);
        stack->addWidget(m_sync);
        stack->addWidget(new Divider(this));
    }
    stack->addWidget(new WritingSettings(this));
    // Its natural height: stretched, the rows would drift apart.
    setFixedHeight(stack->heightForWidth(kWidth));
    updateEnabled();

    connect(m_reminderToggle, &QAbstractButton::toggled, this, [this](bool on) {
        change(PreferenceKeys::reminderEnabled, m_enabled, on);
        updateEnabled();
    });
    connect(m_nudgeToggle, &QAbstractButton::toggled, this, [this](bool on) {
        change(PreferenceKeys::nudgeEnabled, m_nudgeEnabled, on);
        updateEnabled();
    });
    // Read by the Today screen when it next appears; the scheduler has no part in it.
    connect(m_recoveryCodeToggle, &QAbstractButton::toggled, this,
            [this](bool on) { m_preferences.setValue(PreferenceKeys::recoveryCodeReminderEnabled, on); });
    // A picked time that moves both hour and minute is two changes.
    connect(m_reminderTime, &QTimeEdit::timeChanged, this, [this](QTime time) {
        change(PreferenceKeys::reminderHour, m_hour, time.hour());
        change(PreferenceKeys::reminderMinute, m_minute, time.minute());
    });
    connect(m_nudgeTime, &QTimeEdit::timeChanged, this, [this](QTime time) {
        change(PreferenceKeys::nudgeHour, m_nudgeHour, time.hour());
        change(PreferenceKeys::nudgeMinute, m_nudgeMinute, time.minute());
    });
}

void SettingsView::applySettings()
{
    m_scheduler.configure(m_enabled, m_hour, m_minute, m_nudgeEnabled, m_nudgeHour, m_nudgeMinute);
}

template <typename T> void SettingsView::change(const PreferenceKey<T>& key, T& field, T value)
{
    if (field == value) {
        return;
    }
    field = value;
    m_preferences.setValue(key, value);
    applySettings();
}

QTimeEdit* SettingsView::timePicker(int hour, int minute)
{
    auto* picker = new QTimeEdit(this);
    picker->setFont(Typography::font(kTextSize));
    picker->setDisplayFormat(hourAndMinuteFormat());
    // A stored time out of range shows as midnight rather than nothing.
    picker->setTime(QTime(hour, minute).isValid() ? QTime(hour, minute) : QTime(0, 0));
    return picker;
}

void SettingsView::updateEnabled()
{
    // A picker's whole row, its label too, so that the label fades with it.
    m_reminderTime->parentWidget()->setEnabled(m_enabled);
    m_nudgeToggle->setEnabled(m_enabled);
    m_nudgeTime->parentWidget()->setEnabled(m_enabled && m_nudgeEnabled);
}

} // namespace wendle
