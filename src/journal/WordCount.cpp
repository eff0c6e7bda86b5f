// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/WordCount.h"

#include <QTextBoundaryFinder>

#include <unicode/uchar.h>

namespace wendle {

namespace {

bool isWhiteSpace(char32_t codePoint)
{
    return u_hasBinaryProperty(static_cast<UChar32>(codePoint), UCHAR_WHITE_SPACE);
}

char32_t codePointAt(const QString& text, qsizetype index)
{
    const QChar first = text.at(index);
    if (first.isHighSurrogate() && index + 1 < text.size() && text.at(index + 1).isLowSurrogate()) {
        return QChar::surrogateToUcs4(first, text.at(index + 1));
    }
    return first.unicode();
}

} // namespace

qint64 countWords(const QString& text)
{
    qint64 words = 0;
    bool inWord = false;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = graphemes.toNextBoundary();
        if (end <= start) {
            end = text.size();
        }
        const bool space = isWhiteSpace(codePointAt(text, start));
        if (!space && !inWord) {
            ++words;
        }
        inWord = !space;
        start = end;
    }
    return words;
}

} // namespace wendle
