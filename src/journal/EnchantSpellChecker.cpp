// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/EnchantSpellChecker.h"

#include <enchant.h>

namespace wendle {

EnchantSpellChecker::EnchantSpellChecker()
    : m_broker(enchant_broker_init())
{
}

EnchantSpellChecker::~EnchantSpellChecker()
{
    releaseDictionary();
    if (m_broker) {
        enchant_broker_free(m_broker);
    }
}

QStringList EnchantSpellChecker::languages() const
{
    QStringList tags;
    if (!m_broker) {
        return tags;
    }
    enchant_broker_list_dicts(
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
    if (!m_broker || language.isEmpty() || !enchant_broker_dict_exists(m_broker, tag.constData())) {
        return false;
    }
    EnchantDict* dictionary = enchant_broker_request_dict(m_broker, tag.constData());
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
    return enchant_dict_check(m_dictionary, utf8.constData(), utf8.size()) == 0;
}

QStringList EnchantSpellChecker::suggestions(const QString& word, int most) const
{
    QStringList found;
    if (!m_dictionary) {
        return found;
    }
    const QByteArray utf8 = word.toUtf8();
    size_t count = 0;
    char** suggested = enchant_dict_suggest(m_dictionary, utf8.constData(), utf8.size(), &count);
    for (size_t i = 0; i < count && found.size() < most; ++i) {
        found << QString::fromUtf8(suggested[i]);
    }
    if (suggested) {
        enchant_dict_free_string_list(m_dictionary, suggested);
    }
    return found;
}

void EnchantSpellChecker::addSessionWord(const QString& word)
{
    if (m_dictionary) {
        const QByteArray utf8 = word.toUtf8();
        enchant_dict_add_to_session(m_dictionary, utf8.constData(), utf8.size());
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
        enchant_broker_free_dict(m_broker, m_dictionary);
        m_dictionary = nullptr;
    }
    m_language.clear();
}

} // namespace wendle
