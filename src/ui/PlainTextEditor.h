// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTextEdit>

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

Q_SIGNALS:
    /** The text changed, by typing or by `setText`. */
    void textEdited();

protected:
    void insertFromMimeData(const QMimeData* source) override;

private:
    void applyLineSpacing();

    int m_lineSpacing;
};

} // namespace wendle
