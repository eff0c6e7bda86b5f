// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/InMemorySpellChecker.h"

#include <functional>
#include <numeric>

namespace wendle {

InMemorySpellChecker::InMemorySpellChecker(QHash<QString, QSet<QString>> dictionaries)
    : m_dictionaries(std::move(dictionaries))
{
}

QStringList InMemorySpellChecker::languages() const
{
    QStringList tags = m_dictionaries.keys();
    tags.sort();
    return tags;
}

bool InMemorySpellChecker::setLanguage(const QString& language)
{
    if (!m_dictionaries.contains(language)) {
        return false;
    }
    m_language = language;
    return true;
}

bool InMemorySpellChecker::isCorrect(const QString& word) const
{
    return m_language.isEmpty() || m_dictionaries.value(m_language).contains(word) || m_session.contains(word);
}

QStringList InMemorySpellChecker::suggestions(const QString& word, int most) const
{
    QStringList found;
    for (const QString& known : m_dictionaries.value(m_language)) {
        if (known.size() == word.size()
            && std::inner_product(known.begin(), known.end(), word.begin(), 0, std::plus<>(), std::not_equal_to<>())
                == 1) {
            found << known;
        }
    }
    found.sort();
    return found.mid(0, most);
}

} // namespace wendle
