// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PlainTextEditor.h"

#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

namespace wendle {

PlainTextEditor::PlainTextEditor(const QFont& font, const QColor& colour, int lineSpacing, QWidget* parent)
    : QTextEdit(parent)
    , m_lineSpacing(lineSpacing)
{
    setAcceptRichText(false);
    setFont(font);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(false);
    document()->setDocumentMargin(0);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, colour);
    setPalette(palette);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    applyLineSpacing();
    connect(this, &QTextEdit::textChanged, this, &PlainTextEditor::textEdited);
    m_layoutWatch.setInterval(50);
    connect(&m_layoutWatch, &QTimer::timeout, this, [this] {
        // A block the layout has reached has lines; asking for the cursor's place earlier would lay out the
        // rest of the document at once.
        if (textCursor().block().layout()->lineCount() > 0) {
            m_layoutWatch.stop();
            ensureCursorVisible();
        }
    });
}

QString PlainTextEditor::text() const
{
    // toPlainText() would turn no-break spaces into spaces; the raw text keeps every character typed.
    QString raw = document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, u'\n');
    raw.replace(QChar::LineSeparator, u'\n');
    return raw;
}

void PlainTextEditor::setText(const QString& text)
{
    if (text == this->text()) {
        return;
    }
    setPlainText(text);
    applyLineSpacing();
    moveCursor(QTextCursor::End);
}

void PlainTextEditor::setTextFont(const QFont& font, int lineSpacing)
{
    if (font == this->font() && lineSpacing == m_lineSpacing) {
        return;
    }
    setFont(font);
    m_lineSpacing = lineSpacing;
    applyLineSpacing();
}

void PlainTextEditor::insertFromMimeData(const QMimeData* source)
{
    // Pasted text arrives as plain text and takes the editor's spacing.
    if (!source->hasText()) {
        QTextEdit::insertFromMimeData(source);
        return;
    }
    const QString text = source->text();
    if (text.size() < steppedLayoutCharacters) {
        textCursor().insertText(text);
        return;
    }
    // Laying out megabytes at once would hold the window (and the autosave after the paste) for seconds. With
    // the layout off during the insert, the document lays itself out again in steps from the event loop, and
    // the paste stays one step of the undo history. The view follows the cursor once the steps reach it.
    document()->setLayoutEnabled(false);
    textCursor().insertText(text);
    document()->setLayoutEnabled(true);
    m_layoutWatch.start();
}

void PlainTextEditor::applyLineSpacing()
{
    // New blocks inherit the format of the block they split from, so typing keeps the spacing; the format is
    // applied outside the undo history, which setPlainText has just emptied.
    const bool undo = document()->isUndoRedoEnabled();
    document()->setUndoRedoEnabled(false);
    QTextCursor cursor(document());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setLineHeight(m_lineSpacing, QTextBlockFormat::LineDistanceHeight);
    const QSignalBlocker blocker(this);
    cursor.mergeBlockFormat(format);
    document()->setUndoRedoEnabled(undo);
}

} // namespace wendle
