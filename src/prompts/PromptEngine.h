// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Calendar.h"
#include "journal/Preferences.h"
#include "prompts/Prompt.h"

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace wendle {

/**
 * Gives every journal day one prompt, in bank order, and remembers it. All assignment state lives in the
 * preferences ("promptEngine.assignment", "promptEngine.usedIDs"), so any number of engines agree.
 */
class PromptEngine
{
public:
    /** The prompt bank, in file order. */
    struct Bank
    {
        Bank(std::vector<Prompt> prompts = {}, QString problem = {})
            : prompts(std::move(prompts))
            , problem(std::move(problem))
        {
        }

        std::vector<Prompt> prompts;
        /** Why the file gave no bank, naming the first offending prompt and member; empty when it was read. */
        QString problem;
    };

    /**
     * Reads a bank file: `{"prompts": [{"id", "category", "text"}, …]}`. All or nothing: a missing or
     * unreadable file, invalid JSON, a missing or null member, a member of the wrong type or an unknown
     * category gives an empty bank and says why. Extra members and keys are ignored; order and repeated ids
     * are kept.
     */
    static Bank loadBank(const QString& path);

    /** Where the shipped bank is: beside the program (`<exe>/../share/wendle`), then the data folders. */
    static QString shippedBankPath();

    /**
     * Puts a translation's texts into `bank`: `{"prompts": {"<id>": "<text>", …}}`. Ids, order and categories
     * stay as they are; a prompt the file does not name keeps its English text, and ids the bank does not have are
     * ignored. All or nothing for the file: when it cannot be read, is not valid JSON or holds a text that is not
     * a non-empty string, the bank is left in English and the reason is returned; empty when it was applied.
     */
    [[nodiscard]] static QString applyTranslation(Bank& bank, const QString& path);

    /**
     * The shipped translation for the first of `uiLanguages` (as `QLocale::uiLanguages` gives them, "de-AT" or
     * "de") that has one, looked for beside `bankPath` as `prompts.de_AT.json`, then `prompts.de.json`; empty
     * when English comes first or none has a translation.
     */
    static QString translationPath(const QString& bankPath, const QStringList& uiLanguages);

    /** The shipped bank in the user's language: English where the translation is missing or cannot be used. */
    static Bank shippedBank();

    /** An engine over the shipped bank. A bank or translation that cannot be loaded is logged, once per process. */
    PromptEngine();
    explicit PromptEngine(Bank bank);

    const std::vector<Prompt>& bank() const { return m_bank; }

    /** Today's prompt in the user's current calendar: the stored one, or a new assignment. */
    std::optional<Prompt> todaysPrompt(const QDateTime& now);
    std::optional<Prompt> todaysPrompt(const QDateTime& now, const Calendar& calendar);

    /** Assigns the next prompt not yet handed out to `dayKey` ("give me another" too). */
    std::optional<Prompt> assignNext(const QString& dayKey);

private:
    Preferences m_defaults;
    std::vector<Prompt> m_bank;
};

} // namespace wendle
