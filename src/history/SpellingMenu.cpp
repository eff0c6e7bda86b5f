// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/SpellingMenu.h"

#include "history/SpellingHighlighter.h"
#include "journal/Spelling.h"
#include "ui/PlainTextEditor.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QTextCursor>

namespace wendle {

SpellingMenu* SpellingMenu::attach(PlainTextEditor* editor)
{
    return new SpellingMenu(editor);
}

SpellingMenu::SpellingMenu(PlainTextEditor* editor)
    : QObject(editor)
    , m_editor(editor)
    , m_highlighter(new SpellingHighlighter(editor->document()))
{
    m_highlighter->setParent(this);
    // A click asks its menu of the viewport under it, the menu key of the editor holding the focus.
    editor->viewport()->installEventFilter(this);
    editor->installEventFilter(this);
}

std::unique_ptr<QMenu> SpellingMenu::menuAt(const QPoint& position) const
{
    std::unique_ptr<QMenu> menu(m_editor->createStandardContextMenu(position));
    const int at = m_editor->cursorForPosition(position).position();
    const std::optional<WordSpan> span = m_highlighter->misspeltWordAt(at);
    if (!span) {
        return menu;
    }
    QTextCursor word(m_editor->document());
    word.setPosition(static_cast<int>(span->start));
    word.setPosition(static_cast<int>(span->start + span->length), QTextCursor::KeepAnchor);
    const QString misspelt = word.selectedText();
    QAction* first = menu->actions().value(0);
    const auto add = [&](const QString& text, auto&& act) {
        auto* action = new QAction(text, menu.get());
        connect(action, &QAction::triggered, m_editor, act);
        menu->insertAction(first, action);
        return action;
    };
    const QStringList corrections = Spelling::shared().suggestions(misspelt);
    for (const QString& correction : corrections) {
        // The replacement is one step of the editor's undo history, like typing it.
        add(correction, [this, word, correction]() mutable {
            word.insertText(correction);
            m_editor->setTextCursor(word);
        });
    }
    if (corrections.isEmpty()) {
        add(tr("No suggestions"), [] {})->setEnabled(false);
    }
    menu->insertSeparator(first);
    add(tr("Add to dictionary"), [misspelt] {
        (void)Spelling::shared().addWord(misspelt); // a word that could not be kept stays underlined
    })->setEnabled(Spelling::shared().canAddWords());
    add(tr("Ignore in this entry"), [this, misspelt] { m_highlighter->ignore(misspelt); });
    menu->insertSeparator(first);
    return menu;
}

bool SpellingMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ContextMenu) {
        return QObject::eventFilter(watched, event);
    }
    const auto* request = static_cast<QContextMenuEvent*>(event);
    const QPoint position = watched == m_editor->viewport() ? request->pos()
        : request->reason() == QContextMenuEvent::Keyboard  ? m_editor->cursorRect().center()
                                                            : m_editor->viewport()->mapFrom(m_editor, request->pos());
    const std::unique_ptr<QMenu> menu = menuAt(position);
    menu->exec(m_editor->viewport()->mapToGlobal(position));
    return true;
}

} // namespace wendle
