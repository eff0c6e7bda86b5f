// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompts/PromptEngine.h"

#include "journal/DayKey.h"
#include "journal/SystemLog.h"
#include "journal/UiLanguages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <syslog.h>
#include <variant>

namespace wendle {

namespace {

const QString kBankFile = QStringLiteral("prompts.json");
// The shipped bank is about 60 KB and a translation about as large; anything far beyond is not one of ours.
constexpr qint64 kMaximumFileBytes = 4 * 1024 * 1024;

// A bank or translation file as JSON, or why it is not usable.
std::variant<QJsonDocument, QString> readJson(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString());
    }
    const QByteArray bytes = file.read(kMaximumFileBytes + 1);
    if (bytes.size() > kMaximumFileBytes) {
        return QStringLiteral("%1 is larger than %2 MB").arg(path).arg(kMaximumFileBytes / (1024 * 1024));
    }
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        return QStringLiteral("%1 is not valid JSON: %2 at byte %3").arg(path, error.errorString()).arg(error.offset);
    }
    return document;
}

std::optional<QString> stringMember(const QJsonObject& object, const QString& name)
{
    const QJsonValue value = object.value(name);
    return value.isString() ? std::optional<QString>(value.toString()) : std::nullopt;
}

// One prompt of the bank, or why it is not one (naming the member at fault).
std::variant<Prompt, QString> decodePrompt(const QJsonValue& value)
{
    if (!value.isObject()) {
        return QStringLiteral("it is not an object");
    }
    const QJsonObject object = value.toObject();
    std::optional<QString> members[3];
    const QString names[3] = {QStringLiteral("id"), QStringLiteral("category"), QStringLiteral("text")};
    for (int i = 0; i < 3; ++i) {
        members[i] = stringMember(object, names[i]);
        if (!members[i]) {
            return QStringLiteral("its \"%1\" is missing or not a string").arg(names[i]);
        }
    }
    const std::optional<PromptCategory> category = promptCategoryFromRaw(*members[1]);
    if (!category) {
        return QStringLiteral("its \"category\" \"%1\" is not a known category").arg(*members[1]);
    }
    return Prompt{*members[0], *category, *members[2]};
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
    const auto failed = [](const QString& problem) { return Bank{{}, problem}; };
    if (path.isEmpty()) {
        return failed(QStringLiteral("no %1 was found beside the program or in the data folders").arg(kBankFile));
    }
    std::variant<QJsonDocument, QString> read = readJson(path);
    if (const QString* problem = std::get_if<QString>(&read)) {
        return failed(*problem);
    }
    const QJsonDocument document = std::get<QJsonDocument>(std::move(read));
    const QJsonValue prompts = document.object().value(QStringLiteral("prompts"));
    if (!document.isObject() || !prompts.isArray()) {
        return failed(QStringLiteral("%1 has no \"prompts\" list").arg(path));
    }
    const QJsonArray array = prompts.toArray();
    if (array.isEmpty()) {
        return failed(QStringLiteral("%1 holds no prompts").arg(path));
    }
    Bank bank;
    bank.prompts.reserve(static_cast<std::size_t>(array.size()));
    for (qsizetype i = 0; i < array.size(); ++i) {
        std::variant<Prompt, QString> prompt = decodePrompt(array.at(i));
        if (const QString* problem = std::get_if<QString>(&prompt)) {
            const QString id = array.at(i).toObject().value(QStringLiteral("id")).toString();
            return failed(QStringLiteral("%1: prompt %2%3: %4")
                              .arg(path)
                              .arg(i + 1)
                              .arg(id.isEmpty() ? QString() : QStringLiteral(" (\"%1\")").arg(id), *problem));
        }
        bank.prompts.push_back(std::move(std::get<Prompt>(prompt)));
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

QString PromptEngine::applyTranslation(Bank& bank, const QString& path)
{
    std::variant<QJsonDocument, QString> read = readJson(path);
    if (const QString* problem = std::get_if<QString>(&read)) {
        return *problem;
    }
    const QJsonValue texts = std::get<QJsonDocument>(read).object().value(QStringLiteral("prompts"));
    if (!texts.isObject()) {
        return QStringLiteral("%1 has no \"prompts\" object").arg(path);
    }
    const QJsonObject byID = texts.toObject();
    for (auto it = byID.begin(); it != byID.end(); ++it) {
        if (!it.value().isString() || it.value().toString().trimmed().isEmpty()) {
            return QStringLiteral("%1: the text of \"%2\" is not a non-empty string").arg(path, it.key());
        }
    }
    for (Prompt& prompt : bank.prompts) {
        const QJsonValue text = byID.value(prompt.id);
        if (text.isString()) {
            prompt.text = text.toString();
        }
    }
    return {};
}

QString PromptEngine::translationPath(const QString& bankPath, const QStringList& uiLanguages)
{
    const QDir folder = QFileInfo(bankPath).dir();
    for (const QString& name : languagesBeforeEnglish(uiLanguages)) {
        for (const QString& candidate : {name, name.section(u'_', 0, 0)}) {
            const QString path = folder.filePath(QStringLiteral("prompts.%1.json").arg(candidate));
            if (QFileInfo(path).isFile()) {
                return path;
            }
        }
    }
    return {};
}

PromptEngine::Bank PromptEngine::shippedBank()
{
    const QString path = shippedBankPath();
    Bank bank = loadBank(path);
    const QString translation = translationPath(path, QLocale::system().uiLanguages());
    if (!bank.prompts.empty() && !translation.isEmpty()) {
        const QString problem = applyTranslation(bank, translation);
        static bool logged = false;
        if (!problem.isEmpty() && !logged) {
            logged = true;
            logToSystem(LOG_WARNING,
                        QStringLiteral("the prompts' translation is not used, they stay in English: %1").arg(problem));
        }
    }
    return bank;
}

PromptEngine::PromptEngine()
    : PromptEngine(shippedBank())
{
}

PromptEngine::PromptEngine(Bank bank)
    : m_bank(std::move(bank.prompts))
{
    static bool logged = false;
    if (!bank.problem.isEmpty() && !logged) {
        logged = true;
        logToSystem(LOG_ERR, QStringLiteral("the prompt bank could not be loaded: %1").arg(bank.problem));
    }
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
