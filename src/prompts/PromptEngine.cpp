// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompts/PromptEngine.h"

#include "journal/DayKey.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>

namespace wendle {

namespace {

const QString kBankFile = QStringLiteral("prompts.json");

std::optional<QString> stringMember(const QJsonObject& object, const QString& name)
{
    const QJsonValue value = object.value(name);
    return value.isString() ? std::optional<QString>(value.toString()) : std::nullopt;
}

std::optional<Prompt> decodePrompt(const QJsonValue& value)
{
    if (!value.isObject()) {
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    const std::optional<QString> id = stringMember(object, QStringLiteral("id"));
    const std::optional<QString> categoryRaw = stringMember(object, QStringLiteral("category"));
    const std::optional<QString> text = stringMember(object, QStringLiteral("text"));
    if (!id || !categoryRaw || !text) {
        return std::nullopt;
    }
    const std::optional<PromptCategory> category = promptCategoryFromRaw(*categoryRaw);
    if (!category) {
        return std::nullopt;
    }
    return Prompt{*id, *category, *text};
}

// An assignment is "<day key>|<prompt id>". Leading bars are skipped; the first non-empty piece ends at the
// next bar and everything after that bar, bars included, is the id.
std::optional<std::pair<QString, QString>> splitAssignment(const QString& stored)
{
    qsizetype start = 0;
    while (start < stored.size() && stored.at(start) == u'|') {
        ++start;
    }
    const qsizetype bar = stored.indexOf(u'|', start);
    if (start >= stored.size() || bar < 0 || bar + 1 >= stored.size()) {
        return std::nullopt;
    }
    return std::pair{stored.mid(start, bar - start), stored.mid(bar + 1)};
}

} // namespace

PromptEngine::Bank PromptEngine::loadBank(const QString& path)
{
    if (path.isEmpty()) {
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return {};
    }
    const QJsonValue prompts = document.object().value(QStringLiteral("prompts"));
    if (!prompts.isArray()) {
        return {};
    }
    Bank bank;
    const QJsonArray array = prompts.toArray();
    bank.prompts.reserve(static_cast<std::size_t>(array.size()));
    for (const QJsonValue& value : array) {
        std::optional<Prompt> prompt = decodePrompt(value);
        if (!prompt) {
            return {};
        }
        bank.prompts.push_back(std::move(*prompt));
    }
    return bank;
}

QString PromptEngine::shippedBankPath()
{
    const QString besideProgram
        = QCoreApplication::applicationDirPath() + QStringLiteral("/../share/wendle/") + kBankFile;
    if (QFile::exists(besideProgram)) {
        return QDir::cleanPath(besideProgram);
    }
    const QString appData = QStandardPaths::locate(QStandardPaths::AppDataLocation, kBankFile);
    if (!appData.isEmpty()) {
        return appData;
    }
    return QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("wendle/") + kBankFile);
}

PromptEngine::PromptEngine()
    : PromptEngine(loadBank(shippedBankPath()))
{
}

PromptEngine::PromptEngine(Bank bank)
    : m_bank(std::move(bank.prompts))
{
}

std::optional<Prompt> PromptEngine::todaysPrompt(const QDateTime& now)
{
    return todaysPrompt(now, Calendar::current());
}

std::optional<Prompt> PromptEngine::todaysPrompt(const QDateTime& now, const Calendar& calendar)
{
    const QString key = journalDayKey(now, calendar);
    const std::optional<QString> stored = m_defaults.string(QString::fromLatin1(PreferenceKeys::promptAssignment));
    if (stored) {
        const auto pieces = splitAssignment(*stored);
        if (pieces && pieces->first == key) {
            const auto found = std::find_if(m_bank.begin(), m_bank.end(),
                                            [&](const Prompt& prompt) { return prompt.id == pieces->second; });
            if (found != m_bank.end()) {
                return *found;
            }
        }
    }
    return assignNext(key);
}

std::optional<Prompt> PromptEngine::assignNext(const QString& dayKey)
{
    if (m_bank.empty()) {
        return std::nullopt;
    }
    const QString usedKey = QString::fromLatin1(PreferenceKeys::promptUsedIDs);
    QSet<QString> used;
    for (const QString& id : m_defaults.stringArray(usedKey).value_or(QStringList())) {
        used.insert(id);
    }
    // Counting, not matching: ids of prompts since removed from the bank still fill the list.
    if (static_cast<std::size_t>(used.size()) >= m_bank.size()) {
        m_defaults.setStringArray(usedKey, {});
        used.clear();
    }
    const auto chosen
        = std::find_if(m_bank.begin(), m_bank.end(), [&](const Prompt& prompt) { return !used.contains(prompt.id); });
    if (chosen == m_bank.end()) {
        return std::nullopt;
    }
    QStringList usedList = m_defaults.stringArray(usedKey).value_or(QStringList());
    usedList.append(chosen->id);
    m_defaults.setStringArray(usedKey, usedList);
    m_defaults.setString(QString::fromLatin1(PreferenceKeys::promptAssignment), dayKey + u'|' + chosen->id);
    return *chosen;
}

} // namespace wendle
