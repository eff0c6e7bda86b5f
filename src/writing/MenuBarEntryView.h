// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "prompts/PromptEngine.h"
#include "writing/TodaysEntry.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class QLabel;

namespace wendle {

class Autosave;
class Clock;
class DocumentWordCount;
class EntryKey;
class EntryStore;
class FilledButton;
class Pill;
class PlainButton;
class PlainTextEditor;
class ReminderScheduler;
class TextBlock;

/**
 * The tray panel's content: a small editor for today's prompt, saved a second after typing pauses like the
 * Today screen, through the same writing operations and into the same store, with its own prompt engine,
 * text and pending save. It takes up what the other surfaces save while nothing typed on it waits. Without a
 * prompt it offers free writing. Locked, it shows only the title and an unlock button. A "Check for updates"
 * row is always at the bottom.
 *
 * It knows the lock and the updater only through what it is told (`setKey`, `setCanCheckForUpdates`) and
 * what it asks for (`unlockRequested`, `checkForUpdatesRequested`).
 */
class MenuBarEntryView : public QWidget
{
    Q_OBJECT

public:
    MenuBarEntryView(EntryStore& store, ReminderScheduler& scheduler, const Clock& clock,
                     std::unique_ptr<PromptEngine> engine = nullptr, QWidget* parent = nullptr);
    ~MenuBarEntryView() override;

    /** The lock's key: a key shows the editor and loads today's entry; none shows the locked content. */
    void setKey(std::shared_ptr<const EntryKey> key);
    void setCanCheckForUpdates(bool can);

    Entry* todayEntry() const;
    qint64 wordsElsewhereToday() const;
    /** The unlocked content appearing: lands every pending save, then loads today's entry for the prompt. */
    void appear();
    /** With no prompt: writes to today's free writing. */
    void writeFreely();
    /** Returns whether the text is in the file now. */
    bool saveEntry();
    void scheduleAutosave();
    void finishDay();
    /** Runs the pending save now (the panel is closing). */
    void saveNow();

    bool isUnlocked() const { return m_key != nullptr; }
    std::optional<Prompt> prompt() const { return _prompt; }
    QString text() const { return _text; }
    bool isDone() const { return _done; }

Q_SIGNALS:
    void unlockRequested();
    void checkForUpdatesRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildLocked();
    QWidget* buildUnlocked();
    void loadEntry();
    void onEditorEdited();
    /** Takes up today's entry as stored when another surface has saved it and nothing typed here is pending. */
    void followStoredText();
    void onSaveFailureChanged();
    /** Sets `_text` and the editor; true when the text changed. */
    bool replaceText(const QString& text);
    void render();
    /** Today's prompt, free writing once asked for when there is none, or nothing. */
    TodaysEntry::Target target() const;
    bool hasEditor() const;

    // The panel's state.
    EntryStore& _context;
    ReminderScheduler& _scheduler;
    std::unique_ptr<PromptEngine> _engine;
    std::optional<Prompt> _prompt;
    QString _text;
    QPointer<Autosave> _saveTask;
    bool _done = false;
    /** Done was pressed while the save could not reach the file: "Saved" follows once the store's retry does. */
    bool m_finishWaitsForSave = false;
    bool m_freeWriting = false;

    std::shared_ptr<const EntryKey> m_key;
    const Clock& m_clock;

    QWidget* m_locked = nullptr;
    QWidget* m_unlocked = nullptr;
    Pill* m_category = nullptr;
    QLabel* m_date = nullptr;
    TextBlock* m_promptText = nullptr;
    TextBlock* m_noPrompt = nullptr;
    PlainButton* m_writeFreely = nullptr;
    PlainTextEditor* m_editor = nullptr;
    std::unique_ptr<DocumentWordCount> m_editorWords;
    QLabel* m_wordCount = nullptr;
    FilledButton* m_finish = nullptr;
    PlainButton* m_checkForUpdates = nullptr;
};

} // namespace wendle
