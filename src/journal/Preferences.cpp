// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/Preferences.h"

#include <limits>

namespace wendle {

namespace {

const QString kOrganisation = QStringLiteral("wendle");
const QString kApplication = QStringLiteral("wendle");

// The INI format keeps no types: Booleans, numbers and one-element lists come back as strings.
std::optional<bool> asBool(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    const QString text = value.toString();
    if (text == u"true") {
        return true;
    }
    if (text == u"false") {
        return false;
    }
    return std::nullopt;
}

std::optional<qint64> asInteger(const QVariant& value)
{
    bool ok = false;
    const qint64 number = value.toLongLong(&ok);
    return ok ? std::optional<qint64>(number) : std::nullopt;
}

} // namespace

Preferences::Preferences()
    : m_settings(
        std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication))
{
}

bool Preferences::boolValue(const QString& key) const
{
    return asBool(m_settings->value(key)).value_or(false);
}

qint64 Preferences::integer(const QString& key) const
{
    return asInteger(m_settings->value(key)).value_or(0);
}

std::optional<QString> Preferences::string(const QString& key) const
{
    const QVariant value = m_settings->value(key);
    if (!value.isValid() || value.typeId() == QMetaType::QStringList) {
        return std::nullopt;
    }
    if (!value.canConvert<QString>()) {
        return std::nullopt;
    }
    return value.toString();
}

std::optional<QStringList> Preferences::stringArray(const QString& key) const
{
    const QVariant value = m_settings->value(key);
    switch (value.typeId()) {
    case QMetaType::QStringList:
        return value.toStringList();
    case QMetaType::QString:
        // How the INI format returns a list of one string.
        return QStringList{value.toString()};
    case QMetaType::QVariantList: {
        QStringList strings;
        for (const QVariant& item : value.toList()) {
            if (item.typeId() != QMetaType::QString) {
                return std::nullopt;
            }
            strings << item.toString();
        }
        return strings;
    }
    default:
        return std::nullopt;
    }
}

void Preferences::setBool(const QString& key, bool value)
{
    m_settings->setValue(key, value);
}

void Preferences::setInteger(const QString& key, qint64 value)
{
    m_settings->setValue(key, value);
}

void Preferences::setString(const QString& key, const QString& value)
{
    m_settings->setValue(key, value);
}

void Preferences::remove(const QString& key)
{
    m_settings->remove(key);
}

void Preferences::setStringArray(const QString& key, const QStringList& value)
{
    m_settings->setValue(key, value);
}

bool Preferences::contains(const QString& key) const
{
    return m_settings->contains(key);
}

bool Preferences::value(const PreferenceKey<bool>& key) const
{
    return asBool(m_settings->value(QString::fromLatin1(key.name))).value_or(key.defaultValue);
}

int Preferences::value(const PreferenceKey<int>& key) const
{
    const std::optional<qint64> number = asInteger(m_settings->value(QString::fromLatin1(key.name)));
    if (!number || *number < std::numeric_limits<int>::min() || *number > std::numeric_limits<int>::max()) {
        return key.defaultValue;
    }
    return static_cast<int>(*number);
}

QDate Preferences::value(const PreferenceKey<QDate>& key) const
{
    const QDate date = QDate::fromString(m_settings->value(QString::fromLatin1(key.name)).toString(), Qt::ISODate);
    return date.isValid() ? date : key.defaultValue;
}

void Preferences::setValue(const PreferenceKey<bool>& key, bool value)
{
    setBool(QString::fromLatin1(key.name), value);
}

void Preferences::setValue(const PreferenceKey<int>& key, int value)
{
    setInteger(QString::fromLatin1(key.name), value);
}

void Preferences::setValue(const PreferenceKey<QDate>& key, QDate value)
{
    const QString name = QString::fromLatin1(key.name);
    if (value.isValid()) {
        setString(name, value.toString(Qt::ISODate));
    } else {
        m_settings->remove(name);
    }
}

ReminderPreferences Preferences::reminderPreferences() const
{
    using namespace PreferenceKeys;
    return {value(reminderEnabled), value(reminderHour), value(reminderMinute),
            value(nudgeEnabled),    value(nudgeHour),    value(nudgeMinute)};
}

void Preferences::sync()
{
    m_settings->sync();
}

} // namespace wendle
