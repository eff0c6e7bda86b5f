// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/SpellChecker.h"

#include <QHash>
#include <QSet>

namespace wendle {

/** Dictionaries given as word lists, for tests of what sits above the spell checker. */
class InMemorySpellChecker : public SpellChecker
{
public:
    /** Each language with the words its dictionary holds. */
    explicit InMemorySpellChecker(QHash<QString, QSet<QString>> dictionaries);

    QStringList languages() const override;
    [[nodiscard]] bool setLanguage(const QString& language) override;
    QString language() const override { return m_language; }
    bool isCorrect(const QString& word) const override;
    /** The dictionary's words of the same length that differ from `word` in one letter. */
    QStringList suggestions(const QString& word, int most) const override;
    void addSessionWord(const QString& word) override { m_session.insert(word); }
    void forgetSessionWords() override { m_session.clear(); }

private:
    QHash<QString, QSet<QString>> m_dictionaries;
    QString m_language;
    QSet<QString> m_session;
};

} // namespace wendle
