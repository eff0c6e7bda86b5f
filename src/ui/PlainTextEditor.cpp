// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PlainTextEditor.h"

#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>

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

void PlainTextEditor::insertFromMimeData(const QMimeData* source)
{
    // Pasted text arrives as plain text and takes the editor's spacing.
    if (source->hasText()) {
        textCursor().insertText(source->text());
        return;
    }
    QTextEdit::insertFromMimeData(source);
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
