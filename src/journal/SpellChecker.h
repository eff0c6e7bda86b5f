// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace wendle {

/** Dictionaries: which are installed, and whether a word is in the chosen one. */
class SpellChecker
{
public:
    virtual ~SpellChecker() = default;

    /** The installed dictionaries' language tags ("en_US", "fr"), sorted, each once. */
    virtual QStringList languages() const = 0;
    /** Checks against the dictionary of `language` from now on; false, and no change, when none is installed. */
    [[nodiscard]] virtual bool setLanguage(const QString& language) = 0;
    /** The language checked against; empty while there is no dictionary. */
    virtual QString language() const = 0;

    /** Without a dictionary every word is correct. */
    virtual bool isCorrect(const QString& word) const = 0;
    /** Up to `most` likely corrections, the likeliest first. */
    virtual QStringList suggestions(const QString& word, int most) const = 0;

    /** Accepts `word` until `forgetSessionWords`, in memory only: nothing is written anywhere. */
    virtual void addSessionWord(const QString& word) = 0;
    virtual void forgetSessionWords() = 0;
};

} // namespace wendle
