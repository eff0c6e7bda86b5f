// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/SpellChecker.h"

using EnchantBroker = struct str_enchant_broker;
using EnchantDict = struct str_enchant_dict;

namespace wendle {

/**
 * The system's dictionaries through Enchant (Hunspell, Aspell, … whichever providers are installed). Words the
 * user adds go only to Enchant's session, never to its plain-text personal word list.
 */
class EnchantSpellChecker : public SpellChecker
{
public:
    EnchantSpellChecker();
    ~EnchantSpellChecker() override;
    EnchantSpellChecker(const EnchantSpellChecker&) = delete;
    EnchantSpellChecker& operator=(const EnchantSpellChecker&) = delete;

    QStringList languages() const override;
    [[nodiscard]] bool setLanguage(const QString& language) override;
    QString language() const override { return m_language; }
    bool isCorrect(const QString& word) const override;
    QStringList suggestions(const QString& word, int most) const override;
    void addSessionWord(const QString& word) override;
    void forgetSessionWords() override;

private:
    void releaseDictionary();

    EnchantBroker* m_broker;
    EnchantDict* m_dictionary = nullptr;
    QString m_language;
};

} // namespace wendle
