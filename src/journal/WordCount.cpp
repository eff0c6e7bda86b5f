// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/WordCount.h"

#include <QTextBoundaryFinder>

#include <memory>
#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/uscript.h>

namespace wendle {

namespace {

bool isWhiteSpace(char32_t codePoint)
{
    return u_hasBinaryProperty(static_cast<UChar32>(codePoint), UCHAR_WHITE_SPACE);
}

// Every code point of these scripts lies at or above U+1100, so Latin text never asks ICU for its script.
bool isWrittenWithoutSpaces(char32_t codePoint)
{
    if (codePoint < 0x1100) {
        return false;
    }
    UErrorCode status = U_ZERO_ERROR;
    switch (uscript_getScript(static_cast<UChar32>(codePoint), &status)) {
    case USCRIPT_HAN:
    case USCRIPT_HIRAGANA:
    case USCRIPT_KATAKANA:
    case USCRIPT_HANGUL:
        return true;
    default:
        return false;
    }
}

char32_t codePointAt(const QString& text, qsizetype index)
{
    const QChar first = text.at(index);
    if (first.isHighSurrogate() && index + 1 < text.size() && text.at(index + 1).isLowSurrogate()) {
        return QChar::surrogateToUcs4(first, text.at(index + 1));
    }
    return first.unicode();
}

// Making a dictionary-based word break costs far more than using one, so each thread keeps its own.
icu::BreakIterator* wordBreak()
{
    thread_local const std::unique_ptr<icu::BreakIterator> words = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(
            icu::BreakIterator::createWordInstance(icu::Locale::getRoot(), status));
        return U_SUCCESS(status) ? std::move(made) : nullptr;
    }();
    return words.get();
}

// The words the word break finds in text[start, end): segments of letters, numbers, kana or ideographs.
qint64 dictionaryWords(const QString& text, qsizetype start, qsizetype end)
{
    icu::BreakIterator* words = wordBreak();
    if (!words) {
        return 1;
    }
    const icu::UnicodeString run(false, reinterpret_cast<const UChar*>(text.utf16() + start),
                                 static_cast<int32_t>(end - start));
    words->setText(run);
    qint64 found = 0;
    words->first();
    while (words->next() != icu::BreakIterator::DONE) {
        if (words->getRuleStatus() >= UBRK_WORD_NONE_LIMIT) {
            ++found;
        }
    }
    words->setText(icu::UnicodeString());
    return std::max<qint64>(found, 1);
}

} // namespace

qint64 countWords(const QString& text)
{
    qint64 words = 0;
    qsizetype runStart = -1;
    bool runNeedsDictionary = false;
    const auto endRun = [&](qsizetype at) {
        if (runStart >= 0) {
            words += runNeedsDictionary ? dictionaryWords(text, runStart, at) : 1;
        }
        runStart = -1;
        runNeedsDictionary = false;
    };
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = graphemes.toNextBoundary();
        if (end <= start) {
            end = text.size();
        }
        const char32_t first = codePointAt(text, start);
        if (isWhiteSpace(first)) {
            endRun(start);
        } else {
            if (runStart < 0) {
                runStart = start;
            }
            runNeedsDictionary = runNeedsDictionary || isWrittenWithoutSpaces(first);
        }
        start = end;
    }
    endRun(text.size());
    return words;
}

} // namespace wendle
