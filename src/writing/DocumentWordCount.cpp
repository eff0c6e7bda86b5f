// SPDX-License-Identifier: GPL-3.0-or-later
#include "writing/DocumentWordCount.h"

#include "journal/WordCount.h"

#include <QTextBlock>
#include <QTextDocument>

namespace wendle {

namespace {

/** A paragraph's count, valid while the paragraph keeps the revision and length it was counted at. */
struct CountedParagraph : QTextBlockUserData
{
    int revision = 0;
    int length = 0;
    qint64 words = 0;
};

} // namespace

DocumentWordCount::DocumentWordCount(QTextDocument& document)
    : m_document(document)
{
}

qint64 DocumentWordCount::count() const
{
    qint64 words = 0;
    for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next()) {
        auto* counted = static_cast<CountedParagraph*>(block.userData());
        if (!counted || counted->revision != block.revision() || counted->length != block.length()) {
            if (!counted) {
                counted = new CountedParagraph;
                block.setUserData(counted);
            }
            counted->revision = block.revision();
            counted->length = block.length();
            counted->words = countWords(block.text());
        }
        words += counted->words;
    }
    return words;
}

} // namespace wendle
