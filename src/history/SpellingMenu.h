// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <memory>

class QContextMenuEvent;
class QMenu;
class QPoint;

namespace wendle {

class PlainTextEditor;
class SpellingHighlighter;

/**
 * Spell checking on one editor: the wavy line under misspelt words, and on a right-click over one, its
 * corrections, "Add to dictionary" and "Ignore in this entry" above the editor's usual menu.
 */
class SpellingMenu : public QObject
{
    Q_OBJECT

public:
    /** Checks `editor` from now on; it owns what this makes. */
    static SpellingMenu* attach(PlainTextEditor* editor);

    SpellingHighlighter* highlighter() const { return m_highlighter; }
    /** The menu a right-click at `position` (viewport coordinates) opens; the caller owns it. */
    std::unique_ptr<QMenu> menuAt(const QPoint& position) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit SpellingMenu(PlainTextEditor* editor);

    PlainTextEditor* m_editor;
    SpellingHighlighter* m_highlighter;
};

} // namespace wendle
