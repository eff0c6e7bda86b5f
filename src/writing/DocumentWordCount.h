// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

class QTextDocument;

namespace wendle {

/**
 * The words of a document being edited, as `countWords` counts its whole text, kept paragraph by paragraph so
 * that a keystroke recounts only the paragraph it changed: a long entry costs no more to type into than a
 * short one. Line feeds are white space and always end a character cluster, so no word spans two paragraphs
 * and the paragraphs' counts add up to the text's.
 */
class DocumentWordCount
{
public:
    explicit DocumentWordCount(QTextDocument& document);

    qint64 count() const;

private:
    QTextDocument& m_document;
};

} // namespace wendle
