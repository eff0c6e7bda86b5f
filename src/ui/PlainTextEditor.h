// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTextEdit>
#include <QTimer>

namespace wendle {

/**
 * A plain-text editor with extra space between lines and no background of its own, so the screen shows
 * through. `text()` is exactly what was typed (no-break spaces stay), with line breaks as "\n".
 */
class PlainTextEditor : public QTextEdit
{
    Q_OBJECT

public:
    PlainTextEditor(const QFont& font, const QColor& colour, int lineSpacing, QWidget* parent = nullptr);

    QString text() const;
    /** Replaces the whole text; a change notifies `textEdited` like typing does. */
    void setText(const QString& text);

    /** Draws the text in `font` with `lineSpacing` between lines; the undo history starts again. */
    void setTextFont(const QFont& font, int lineSpacing);

    /** Pastes at least this long are laid out in steps after they land rather than before. */
    static constexpr qsizetype steppedLayoutCharacters = 256 * 1024;

Q_SIGNALS:
    /** The text changed, by typing or by `setText`. */
    void textEdited();

protected:
    void insertFromMimeData(const QMimeData* source) override;

private:
    void applyLineSpacing();

    int m_lineSpacing;
    /** Looks whether the stepped layout of a long paste has reached the cursor, to show it then. */
    QTimer m_layoutWatch;
};

} // namespace wendle
