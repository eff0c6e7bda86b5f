// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSet>
#include <QSyntaxHighlighter>

#include <optional>
#include <vector>

namespace wendle {

/** A word of a text: where it starts and how long it is, in UTF-16 code units. */
struct WordSpan
{
    qsizetype start;
    qsizetype length;
    bool operator==(const WordSpan&) const = default;
};

/**
 * The words of `text` worth checking, as Unicode word boundaries find them ("isn't" and "l'été" are one word,
 * "well-known" two): not numbers nor words holding digits, not words in capitals only (acronyms), and nothing
 * inside a web address or an e-mail address.
 */
std::vector<WordSpan> checkableWords(const QString& text);

/**
 * Underlines misspelt words with a wavy line, paragraph by paragraph: an edit checks only the paragraph it
 * changed, so a long entry costs no more to type into than a short one. The whole text is checked again only
 * when the language, the added words or the switch change. A long text set at once (an entry opened) is checked
 * in slices of `sliceCharacters`, one per turn of the event loop, so that it shows at once and its underlines
 * follow.
 */
class SpellingHighlighter : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    static constexpr qsizetype sliceCharacters = 16 * 1024;

    explicit SpellingHighlighter(QTextDocument* document);

    /** The misspelt word at a document position, if there is one there. */
    std::optional<WordSpan> misspeltWordAt(int position) const;

    /** Stops underlining `word` in this text until `forgetIgnored`. */
    void ignore(const QString& word);
    /** Another entry takes the editor: its words are checked afresh. */
    void forgetIgnored();

protected:
    void highlightBlock(const QString& text) override;

private:
    bool isMisspelt(const QString& word) const;
    /** Checks the paragraphs left for later, up to a slice, and comes back for the rest. */
    void checkLeftParagraphs();
    void scheduleSlice();

    QSet<QString> m_ignored;
    /** Characters checked in this turn of the event loop. */
    qsizetype m_checkedThisTurn = 0;
    bool m_sliceScheduled = false;
    bool m_leftForLater = false;
};

} // namespace wendle
