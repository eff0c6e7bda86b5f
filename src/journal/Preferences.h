// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QSettings>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace wendle {

/** A preference key with its type and the value read while the key is absent. */
template <typename T> struct PreferenceKey
{
    const char* name;
    T defaultValue;
};

/** The keys Wendle stores, with their defaults. */
namespace PreferenceKeys {
inline constexpr PreferenceKey<bool> reminderEnabled{"reminder.enabled", true};
inline constexpr PreferenceKey<int> reminderHour{"reminder.hour", 15};
inline constexpr PreferenceKey<int> reminderMinute{"reminder.minute", 0};
inline constexpr PreferenceKey<bool> nudgeEnabled{"reminder.nudge.enabled", false};
inline constexpr PreferenceKey<int> nudgeHour{"reminder.nudge.hour", 21};
inline constexpr PreferenceKey<int> nudgeMinute{"reminder.nudge.minute", 0};
inline constexpr const char* promptAssignment = "promptEngine.assignment";
inline constexpr const char* promptUsedIDs = "promptEngine.usedIDs";
inline constexpr const char* recapShownPrefix = "recap.shown.";
// The recovery code: the day it was last shown or checked, the day a postponed reminder may come back, and
// whether the Today screen reminds at all. A null date reads as never.
inline constexpr PreferenceKey<QDate> recoveryCodeChecked{"recoveryCode.checked", QDate()};
inline constexpr PreferenceKey<QDate> recoveryCodePostponedUntil{"recoveryCode.postponedUntil", QDate()};
inline constexpr PreferenceKey<bool> recoveryCodeReminderEnabled{"recoveryCode.reminder.enabled", true};
// Daily snapshots: whether new ones are written, the folder the user chose (absent: the default one), and the
// day of the last one that was written and read back whole.
inline constexpr PreferenceKey<bool> snapshotsEnabled{"snapshots.enabled", true};
inline constexpr const char* snapshotsFolder = "snapshots.folder";
inline constexpr PreferenceKey<QDate> lastSnapshot{"snapshots.last", QDate()};
// The writing text's size in points: the entry being written or read, and its prompt.
inline constexpr PreferenceKey<int> textSize{"writing.textSize", 13};
// Spell checking while typing, and the dictionary's language tag ("en_US"); absent, the user's locale decides.
inline constexpr PreferenceKey<bool> spellingEnabled{"spelling.enabled", true};
inline constexpr const char* spellingLanguage = "spelling.language";
// The folder a sync program keeps in step between the user's computers; absent: sync is off.
inline constexpr const char* syncFolder = "sync.folder";
} // namespace PreferenceKeys

/** The six reminder preferences, as read together at start-up and by the settings window. */
struct ReminderPreferences
{
    bool enabled = PreferenceKeys::reminderEnabled.defaultValue;
    int hour = PreferenceKeys::reminderHour.defaultValue;
    int minute = PreferenceKeys::reminderMinute.defaultValue;
    bool nudgeEnabled = PreferenceKeys::nudgeEnabled.defaultValue;
    int nudgeHour = PreferenceKeys::nudgeHour.defaultValue;
    int nudgeMinute = PreferenceKeys::nudgeMinute.defaultValue;
    bool operator==(const ReminderPreferences&) const = default;
};

/**
 * The user's preferences: one store for the whole process, kept across launches (QSettings, organisation and
 * application "wendle"). Every instance reads and writes the same values, so two screens always agree.
 */
class Preferences
{
public:
    Preferences();

    /** Absent, or not a Boolean, reads as false. */
    bool boolValue(const QString& key) const;
    /** Absent, or not an integer, reads as 0. */
    qint64 integer(const QString& key) const;
    /** Absent reads as nothing. */
    std::optional<QString> string(const QString& key) const;
    /** Absent, or not a list of strings, reads as nothing. */
    std::optional<QStringList> stringArray(const QString& key) const;

    void setBool(const QString& key, bool value);
    void setInteger(const QString& key, qint64 value);
    void setString(const QString& key, const QString& value);
    void setStringArray(const QString& key, const QStringList& value);

    bool contains(const QString& key) const;
    void remove(const QString& key);

    /**
     * A stored preference: its default while the key is absent or its value cannot be read as the key's type
     * (a hand-edited "yes", a number beyond `int`, a date that is not an ISO "yyyy-MM-dd").
     */
    bool value(const PreferenceKey<bool>& key) const;
    int value(const PreferenceKey<int>& key) const;
    QDate value(const PreferenceKey<QDate>& key) const;
    void setValue(const PreferenceKey<bool>& key, bool value);
    void setValue(const PreferenceKey<int>& key, int value);
    /** Stored as an ISO date, readable in the settings file; a null date removes the key. */
    void setValue(const PreferenceKey<QDate>& key, QDate value);

    ReminderPreferences reminderPreferences() const;

    /** Writes pending changes to disk now (QSettings otherwise does it soon after). */
    void sync();

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace wendle
