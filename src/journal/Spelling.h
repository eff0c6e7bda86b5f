// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <functional>
#include <memory>

namespace wendle {

class SpellChecker;

/**
 * Spell checking for every writing screen, one for the whole process: whether it is on, the language checked
 * against, and the words the user added. Those words are the user's own: they are kept sealed in the journal and
 * handed here while it is unlocked, never written to a dictionary's file. Every change that may change what is
 * underlined is announced by `changed`.
 */
class Spelling : public QObject
{
    Q_OBJECT

public:
    /** How many corrections a misspelt word offers. */
    static constexpr int mostSuggestions = 6;

    /** Checks with the system's dictionaries (Enchant) until `useChecker` gives others. */
    static Spelling& shared();

    /** Checks with `checker` from now on, in the stored language or else the one closest to the user's locale. */
    void useChecker(std::unique_ptr<SpellChecker> checker);

    /** The languages of the installed dictionaries; empty when there are none. */
    QStringList languages() const;
    /** The language checked against; empty without a dictionary. */
    QString language() const;
    /** Checks against `language` from now on and remembers it, if its dictionary is installed. */
    void setLanguage(const QString& language);
    /** A language tag as a reader names it: "English (United States)". */
    static QString displayName(const QString& language);

    /** Checking while typing: on unless turned off, remembered across launches. */
    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    /** Whether `word` gets the wavy line: checking on, a dictionary of its script, and not a word it knows. */
    bool isMisspelt(const QString& word) const;
    /** Up to `mostSuggestions` corrections, the likeliest first. */
    QStringList suggestions(const QString& word) const;

    /**
     * Opens the user's own words, kept by `keep` (which stores one and says whether it did) while the journal
     * is unlocked. `forgetOwnWords` closes them at lock: they are no longer accepted nor added.
     */
    void openOwnWords(const QStringList& words, std::function<bool(const QString&)> keep);
    void forgetOwnWords();
    /** Whether words can be added now: only while the journal is unlocked. */
    bool canAddWords() const { return static_cast<bool>(m_keep); }
    /** Accepts `word` from now on, once it is kept; false, and nothing changed, when it could not be kept. */
    [[nodiscard]] bool addWord(const QString& word);

Q_SIGNALS:
    void changed();

private:
    Spelling();
    ~Spelling() override;
    /** The checker, with its language chosen at the first use: no dictionary is loaded before one is needed. */
    SpellChecker& checker() const;
    void chooseLanguage() const;
    void announce();

    mutable std::unique_ptr<SpellChecker> m_checker;
    mutable bool m_languageChosen = false;
    bool m_enabled;
    /** ISO 15924 code of the dictionary's script: words of other scripts are not its to judge. */
    mutable QString m_script;
    QStringList m_ownWords;
    std::function<bool(const QString&)> m_keep;
    /** A word's verdict, asked again only when the language or the words change: typing checks words over. */
    mutable QHash<QString, bool> m_verdicts;
};

} // namespace wendle
