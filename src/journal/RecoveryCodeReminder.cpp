// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/RecoveryCodeReminder.h"

#include "journal/Calendar.h"
#include "journal/EntryCrypto.h"
#include "journal/LockedBuffer.h"
#include "journal/Preferences.h"
#include "journal/RecoveryCode.h"

#include <openssl/crypto.h>

#include <optional>

namespace wendle {

bool RecoveryCodeReminder::due(const State& state, QDate today)
{
    if (!state.enabled || !state.checked.isValid() || state.checked > today) {
        return false;
    }
    if (state.postponedUntil.isValid() && today < state.postponedUntil) {
        return false;
    }
    return state.checked.daysTo(today) >= intervalDays;
}

QDate RecoveryCodeReminder::dateOf(const QDateTime& now, const Calendar& calendar)
{
    const Calendar gregorian = Calendar::make(
        calendar.localeId().section(u'@', 0, 0) + QStringLiteral("@calendar=gregorian"), calendar.timeZoneId());
    const DateComponents parts = gregorian.components(now);
    return QDate(parts.year, parts.month, parts.day);
}

RecoveryCodeReminder::RecoveryCodeReminder(Preferences& preferences)
    : m_preferences(preferences)
{
}

bool RecoveryCodeReminder::isDue(QDate today)
{
    using namespace PreferenceKeys;
    const State state{m_preferences.value(recoveryCodeChecked), m_preferences.value(recoveryCodePostponedUntil),
                      m_preferences.value(recoveryCodeReminderEnabled)};
    if (!state.checked.isValid() || state.checked > today) {
        m_preferences.setValue(recoveryCodeChecked, today);
        return false;
    }
    return due(state, today);
}

void RecoveryCodeReminder::recordChecked(QDate today)
{
    m_preferences.setValue(PreferenceKeys::recoveryCodeChecked, today);
    m_preferences.setValue(PreferenceKeys::recoveryCodePostponedUntil, QDate());
}

void RecoveryCodeReminder::postpone(QDate today)
{
    m_preferences.setValue(PreferenceKeys::recoveryCodePostponedUntil, today.addDays(postponeDays));
}

bool isRecoveryCodeOf(const QString& typed, const EntryKey& key)
{
    std::optional<QByteArray> bytes = parseRecoveryCode(typed);
    if (!bytes) {
        return false;
    }
    const bool same = bytes->size() == key.length()
        && CRYPTO_memcmp(bytes->constData(), key.data(), std::size_t(key.length())) == 0;
    wipeBytes(*bytes);
    return same;
}

} // namespace wendle
