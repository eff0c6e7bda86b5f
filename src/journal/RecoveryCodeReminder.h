// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace wendle {

class Calendar;
class EntryKey;
class Preferences;

/**
 * When the Today screen asks whether the recovery code is still at hand: ninety days after it was last shown or
 * checked, unless the user postponed it or turned the reminder off. Days are civil (Gregorian) dates in the
 * user's time zone, so a change of calendar or locale moves no deadline.
 */
class RecoveryCodeReminder
{
public:
    static constexpr qint64 intervalDays = 90;
    static constexpr qint64 postponeDays = 30;

    /** What the rule looks at; a null date was never recorded. */
    struct State
    {
        QDate checked;
        QDate postponedUntil;
        bool enabled = true;
    };

    /** The rule itself. A date never recorded, or one after today (a clock that was wrong), is never due. */
    static bool due(const State& state, QDate today);
    /** The civil date of `now` where the user is. */
    static QDate dateOf(const QDateTime& now, const Calendar& calendar);

    explicit RecoveryCodeReminder(Preferences& preferences);

    /**
     * Whether to ask today. A journal with no date recorded (an installation from before the reminder), or
     * one after today, starts counting today, so nobody is asked on the first day after an upgrade.
     */
    bool isDue(QDate today);
    /** The code was shown or checked today: the ninety days start again. */
    void recordChecked(QDate today);
    /** "Not now": asked again in thirty days. */
    void postpone(QDate today);

private:
    Preferences& m_preferences;
};

/**
 * Whether `typed` is the recovery code of `key`. The key is compared in constant time and the parsed bytes are
 * wiped; a code that does not parse is simply not the key's.
 */
[[nodiscard]] bool isRecoveryCodeOf(const QString& typed, const EntryKey& key);

} // namespace wendle
