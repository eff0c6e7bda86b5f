// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/SpellingHighlighter.h"

#include "journal/Spelling.h"
#include "ui/Palette.h"

#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <QTimer>

namespace wendle {

namespace {

// Runs of non-space that are addresses rather than words.
bool isAddress(QStringView token)
{
    return token.contains(u'@') || token.contains(QLatin1String("://"))
        || token.startsWith(QLatin1String("www."), Qt::CaseInsensitive);
}

bool isCheckable(QStringView word)
{
    bool hasLetter = false;
    bool hasLower = false;
    for (const QChar c : word) {
        if (c.isDigit()) {
            return false;
        }
        hasLetter = hasLetter || c.isLetter();
        hasLower = hasLower || c.isLower() || (c.isLetter() && !c.isUpper());
    }
    // Capitals only (NASA, UK) are names the dictionary would not know; one capital alone ("I", "A") is a word.
    return hasLetter && (hasLower || word.size() == 1);
}

} // namespace

std::vector<WordSpan> checkableWords(const QString& text)
{
    std::vector<WordSpan> words;
    // Address tokens first: whatever lies within one is skipped.
    std::vector<WordSpan> addresses;
    for (qsizetype at = 0; at < text.size();) {
        while (at < text.size() && text.at(at).isSpace()) {
            ++at;
        }
        const qsizetype start = at;
        while (at < text.size() && !text.at(at).isSpace()) {
            ++at;
        }
        if (at > start && isAddress(QStringView(text).mid(start, at - start))) {
            addresses.push_back({start, at - start});
        }
    }
    const auto inAddress = [&](qsizetype position) {
        return std::any_of(addresses.begin(), addresses.end(), [&](const WordSpan& address) {
            return position >= address.start && position < address.start + address.length;
        });
    };

    QTextBoundaryFinder boundaries(QTextBoundaryFinder::Word, text);
    qsizetype start = -1;
    for (qsizetype at = 0; at != -1; at = boundaries.toNextBoundary()) {
        const QTextBoundaryFinder::BoundaryReasons reasons = boundaries.boundaryReasons();
        if (start >= 0 && reasons.testFlag(QTextBoundaryFinder::EndOfItem)) {
            const QStringView word = QStringView(text).mid(start, at - start);
            if (isCheckable(word) && !inAddress(start)) {
                words.push_back({start, at - start});
            }
            start = -1;
        }
        if (reasons.testFlag(QTextBoundaryFinder::StartOfItem)) {
            start = at;
        }
    }
    return words;
}

SpellingHighlighter::SpellingHighlighter(QTextDocument* document)
    : QSyntaxHighlighter(document)
{
    connect(&Spelling::shared(), &Spelling::changed, this, &QSyntaxHighlighter::rehighlight);
}

std::optional<WordSpan> SpellingHighlighter::misspeltWordAt(int position) const
{
    const QTextBlock block = document()->findBlock(position);
    const QString text = block.text();
    const qsizetype inBlock = position - block.position();
    for (const WordSpan& word : checkableWords(text)) {
        if (inBlock >= word.start && inBlock <= word.start + word.length) {
            if (!isMisspelt(text.mid(word.start, word.length))) {
                return std::nullopt;
            }
            return WordSpan{block.position() + word.start, word.length};
        }
    }
    return std::nullopt;
}

void SpellingHighlighter::ignore(const QString& word)
{
    m_ignored.insert(word);
    rehighlight();
}

void SpellingHighlighter::forgetIgnored()
{
    if (!m_ignored.isEmpty()) {
        m_ignored.clear();
        rehighlight();
    }
}

namespace {

// A paragraph's state: checked, or left for a later slice.
constexpr int kChecked = 0;
constexpr int kLeftForLater = 1;

} // namespace

void SpellingHighlighter::scheduleSlice()
{
    if (!m_sliceScheduled) {
        m_sliceScheduled = true;
        QTimer::singleShot(0, this, &SpellingHighlighter::checkLeftParagraphs);
    }
}

void SpellingHighlighter::checkLeftParagraphs()
{
    m_sliceScheduled = false;
    m_checkedThisTurn = 0;
    if (!m_leftForLater) {
        return;
    }
    m_leftForLater = false;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (block.userState() != kLeftForLater) {
            continue;
        }
        if (m_checkedThisTurn >= sliceCharacters) {
            m_leftForLater = true;
            scheduleSlice();
            return;
        }
        // Checking it goes on into the paragraphs after it while the slice lasts.
        rehighlightBlock(block);
    }
}

void SpellingHighlighter::highlightBlock(const QString& text)
{
    if (!Spelling::shared().enabled()) {
        setCurrentBlockState(kChecked);
        return;
    }
    if (m_checkedThisTurn >= sliceCharacters) {
        setCurrentBlockState(kLeftForLater);
        m_leftForLater = true;
        scheduleSlice();
        return;
    }
    m_checkedThisTurn += text.size() + 1;
    // The slice is this turn's: the next turn starts a new one.
    scheduleSlice();
    setCurrentBlockState(kChecked);
    QTextCharFormat misspelt;
    misspelt.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    misspelt.setUnderlineColor(Palette::misspelt());
    for (const WordSpan& word : checkableWords(text)) {
        if (isMisspelt(text.mid(word.start, word.length))) {
            setFormat(static_cast<int>(word.start), static_cast<int>(word.length), misspelt);
        }
    }
}

bool SpellingHighlighter::isMisspelt(const QString& word) const
{
    return !m_ignored.contains(word) && Spelling::shared().isMisspelt(word);
}

} // namespace wendle
