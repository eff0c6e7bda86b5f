// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "writing/WritingSession.h"

#include <QWidget>

#include <memory>

class QLabel;

namespace wendle {

class Clock;
class DocumentWordCount;
class SpellingMenu;
class EntryKey;
class EntryStore;
class FilledButton;
class Pill;
class PlainButton;
class PlainTextEditor;
class ReminderScheduler;
class TextBlock;

/**
 * The tray panel's content: a small editor for today's prompt. Its writing session saves and finishes as the
 * Today screen's does, into the same store, with its own prompt engine, text and pending save. Without a
 * prompt it offers free writing. Locked, it shows only the title and an unlock button. A "Check for updates"
 * row is always at the bottom.
 *
 * It knows the lock and the updater only through what it is told (`setKey`, `setCanCheckForUpdates`) and
 * what it asks for (`unlockRequested`, `checkForUpdatesRequested`).
 */
class TrayEntryView : public QWidget
{
    Q_OBJECT

public:
    TrayEntryView(EntryStore& store, ReminderScheduler& scheduler, const Clock& clock,
                  std::unique_ptr<PromptEngine> engine = nullptr, QWidget* parent = nullptr);
    ~TrayEntryView() override;

    WritingSession& session() { return m_session; }

    /** The lock's key: a key shows the editor and loads today's entry; none shows the locked content. */
    void setKey(std::shared_ptr<const EntryKey> key);
    void setCanCheckForUpdates(bool can);
    bool isUnlocked() const { return m_session.key() != nullptr; }

Q_SIGNALS:
    void unlockRequested();
    void checkForUpdatesRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildLocked();
    QWidget* buildUnlocked(EntryStore& store);
    /** Sizes the prompt and the entry by the writing text size, and again each time it changes. */
    void followTextSize(QWidget* page);
    void render();

    const Clock& m_clock;
    WritingSession m_session;

    QWidget* m_locked = nullptr;
    QWidget* m_unlocked = nullptr;
    Pill* m_category = nullptr;
    QLabel* m_date = nullptr;
    TextBlock* m_promptText = nullptr;
    TextBlock* m_noPrompt = nullptr;
    PlainButton* m_writeFreely = nullptr;
    PlainTextEditor* m_editor = nullptr;
    std::unique_ptr<DocumentWordCount> m_editorWords;
    SpellingMenu* m_spelling = nullptr;
    QLabel* m_wordCount = nullptr;
    FilledButton* m_finish = nullptr;
    PlainButton* m_checkForUpdates = nullptr;
};

} // namespace wendle
