// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/EnchantSpellChecker.h"

#include "journal/RuntimeLibrary.h"
#include "journal/SystemLog.h"

#include <enchant.h>

#include <optional>
#include <syslog.h>

namespace wendle {

namespace {

// The functions of Enchant that Wendle calls.
struct LibEnchant
{
    decltype(&::enchant_broker_init) brokerInit = nullptr;
    decltype(&::enchant_broker_free) brokerFree = nullptr;
    decltype(&::enchant_broker_list_dicts) brokerListDicts = nullptr;
    decltype(&::enchant_broker_dict_exists) brokerDictExists = nullptr;
    decltype(&::enchant_broker_request_dict) brokerRequestDict = nullptr;
    decltype(&::enchant_broker_free_dict) brokerFreeDict = nullptr;
    decltype(&::enchant_dict_check) dictCheck = nullptr;
    decltype(&::enchant_dict_suggest) dictSuggest = nullptr;
    decltype(&::enchant_dict_free_string_list) dictFreeStringList = nullptr;
    decltype(&::enchant_dict_add_to_session) dictAddToSession = nullptr;
};

std::optional<LibEnchant> open()
{
    RuntimeLibrary library("libenchant-2.so.2");
    LibEnchant functions;
    const bool complete = library.resolve("enchant_broker_init", functions.brokerInit)
        && library.resolve("enchant_broker_free", functions.brokerFree)
        && library.resolve("enchant_broker_list_dicts", functions.brokerListDicts)
        && library.resolve("enchant_broker_dict_exists", functions.brokerDictExists)
        && library.resolve("enchant_broker_request_dict", functions.brokerRequestDict)
        && library.resolve("enchant_broker_free_dict", functions.brokerFreeDict)
        && library.resolve("enchant_dict_check", functions.dictCheck)
        && library.resolve("enchant_dict_suggest", functions.dictSuggest)
        && library.resolve("enchant_dict_free_string_list", functions.dictFreeStringList)
        && library.resolve("enchant_dict_add_to_session", functions.dictAddToSession);
    if (!complete) {
        // Spelling is then off for lack of dictionaries, as on a system without any.
        logToSystem(LOG_WARNING, QStringLiteral("the spelling library cannot be used: %1").arg(library.failure()));
        return std::nullopt;
    }
    return functions;
}

// The library, opened at the first call from any thread; nothing when it is not installed or lacks a function.
const LibEnchant* libEnchant()
{
    return openedOnce<LibEnchant, open>();
}

// A broker exists only where the library opened, so everything past one may call it.
const LibEnchant& enchant()
{
    return *libEnchant();
}

} // namespace

EnchantSpellChecker::EnchantSpellChecker()
    : m_broker(libEnchant() ? enchant().brokerInit() : nullptr)
{
}

EnchantSpellChecker::~EnchantSpellChecker()
{
    releaseDictionary();
    if (m_broker) {
        enchant().brokerFree(m_broker);
    }
}

QStringList EnchantSpellChecker::languages() const
{
    QStringList tags;
    if (!m_broker) {
        return tags;
    }
    enchant().brokerListDicts(
        m_broker,
        [](const char* tag, const char*, const char*, const char*, void* found) {
            static_cast<QStringList*>(found)->append(QString::fromUtf8(tag));
        },
        &tags);
    tags.sort();
    tags.removeDuplicates();
    return tags;
}

bool EnchantSpellChecker::setLanguage(const QString& language)
{
    if (language == m_language && m_dictionary) {
        return true;
    }
    const QByteArray tag = language.toUtf8();
    if (!m_broker || language.isEmpty() || !enchant().brokerDictExists(m_broker, tag.constData())) {
        return false;
    }
    EnchantDict* dictionary = enchant().brokerRequestDict(m_broker, tag.constData());
    if (!dictionary) {
        return false;
    }
    releaseDictionary();
    m_dictionary = dictionary;
    m_language = language;
    return true;
}

bool EnchantSpellChecker::isCorrect(const QString& word) const
{
    if (!m_dictionary) {
        return true;
    }
    const QByteArray utf8 = word.toUtf8();
    return enchant().dictCheck(m_dictionary, utf8.constData(), utf8.size()) == 0;
}

QStringList EnchantSpellChecker::suggestions(const QString& word, int most) const
{
    QStringList found;
    if (!m_dictionary) {
        return found;
    }
    const QByteArray utf8 = word.toUtf8();
    size_t count = 0;
    char** suggested = enchant().dictSuggest(m_dictionary, utf8.constData(), utf8.size(), &count);
    for (size_t i = 0; i < count && found.size() < most; ++i) {
        found << QString::fromUtf8(suggested[i]);
    }
    if (suggested) {
        enchant().dictFreeStringList(m_dictionary, suggested);
    }
    return found;
}

void EnchantSpellChecker::addSessionWord(const QString& word)
{
    if (m_dictionary) {
        const QByteArray utf8 = word.toUtf8();
        enchant().dictAddToSession(m_dictionary, utf8.constData(), utf8.size());
    }
}

void EnchantSpellChecker::forgetSessionWords()
{
    // A session lasts as long as its dictionary: a dictionary asked for afresh knows none of the added words.
    const QString language = m_language;
    releaseDictionary();
    if (!setLanguage(language)) {
        m_language.clear();
    }
}

void EnchantSpellChecker::releaseDictionary()
{
    if (m_dictionary) {
        enchant().brokerFreeDict(m_broker, m_dictionary);
        m_dictionary = nullptr;
    }
    m_language.clear();
}

} // namespace wendle
