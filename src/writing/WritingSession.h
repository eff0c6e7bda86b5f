// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "prompts/PromptEngine.h"
#include "writing/TodaysEntry.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

namespace wendle {

class Autosave;
class Clock;
class EntryKey;
class EntryStore;
class ReminderScheduler;

/**
 * The writing of one surface, without its widgets: what it writes to (today's prompt or free writing), the
 * text, whether the day is done, and the pending autosave. It finds and loads today's entry, saves the text a
 * second after the last change and at once when asked, and finishes the day. Every writing surface has one;
 * they meet only in the store.
 *
 * "Today" is the journal day of the clock's current moment, worked out afresh at every operation. A pending
 * save outlives the session and keeps the key it was scheduled with. Without a key nothing is loaded or saved.
 *
 * While nothing typed here waits for its save, the session takes up today's entry as another surface (or the
 * reader) saves it: saving older text here would put their words out.
 *
 * A view reports typing with `edit`, puts the session's text into its editor on `textReplaced`, and redraws on
 * `changed`.
 */
class WritingSession : public QObject
{
    Q_OBJECT

public:
    enum class Mode
    {
        prompt,
        freeform
    };

    /** Where the surfaces differ; in everything else they write alike. */
    enum class Surface
    {
        /**
         * The Today screen. A day without prompts is written freely at once. A load that changes the text is a
         * change like typing: it clears "Saved", and the text is saved again a second later.
         */
        today,
        /**
         * The tray panel. Appearing, it first lands every pending save of the process, so it starts from the
         * newest words. A day without prompts has nothing to write to until `switchMode(Mode::freeform)`. A
         * loaded text is left as stored.
         */
        tray
    };

    WritingSession(Surface surface, EntryStore& store, ReminderScheduler& scheduler, const Clock& clock,
                   std::shared_ptr<const EntryKey> key, std::unique_ptr<PromptEngine> engine = nullptr);
    /** A save still waiting runs when due. */
    ~WritingSession() override;

    /** Another key (or none) starts over: no prompt, no text, prompt mode, not done. */
    void setKey(std::shared_ptr<const EntryKey> key);
    const std::shared_ptr<const EntryKey>& key() const { return m_key; }

    Mode mode() const { return m_mode; }
    const std::optional<Prompt>& prompt() const { return m_prompt; }
    /** What the text is written to: free writing ("freeform", "pages") or the prompt; nothing without one. */
    TodaysEntry::Target target() const;
    QString currentPromptID() const { return target().promptID; }
    bool hasTarget() const { return !currentPromptID().isEmpty(); }
    Entry* todayEntry() const;
    /** The credited words of today's other entries (every one of them when there is nothing to write to). */
    qint64 wordsElsewhereToday() const;

    const QString& text() const { return m_text; }
    qint64 words() const { return m_words; }
    /** The day's words with the text as it is now, saved or not: what finishing and the streak go by. */
    qint64 liveTotal() const { return wordsElsewhereToday() + m_words; }
    /** The day is finished: the text is in the file and the day has at least `completionThreshold` words. */
    bool isDone() const { return m_done; }

    /** The surface appears: takes today's prompt from the engine, then loads its entry. */
    void appear();
    /** Takes up today's entry as stored (an unreadable one as empty text); the text stays when there is none. */
    void loadEntry();
    /** The user changed the text; `words`, when given, is its word count, already known to the view. */
    void edit(const QString& text, std::optional<qint64> words = std::nullopt);
    /** Saves at once in place of the pending save; what cannot reach the file the store keeps and retries. */
    void saveNow();
    /** Runs the pending save now, if there is one (the surface is closing). */
    void flushPendingSave();
    /** "Done": saves at once; done when the words reached the file and the day has enough of them. */
    void finishDay();
    /** Saves, then writes to `mode` instead and loads its entry. */
    void switchMode(Mode mode);
    /** Saves, then takes the next prompt for today and loads its entry. */
    void giveMeAnother();

Q_SIGNALS:
    /** The session replaced the text (a load, following the store, starting over): the editor takes it. */
    void textReplaced(const QString& text);
    /** Anything a view shows may have changed. */
    void changed();

private:
    /** Returns whether the text is in the file now. */
    [[nodiscard]] bool save();
    void scheduleAutosave();
    /** Clears the text for another target, then loads that target's entry. */
    void moveToAnotherEntry();
    void followStoredText();
    void onSaveFailureChanged();
    /** Sets the text and its count; true when it changed. */
    bool replaceText(const QString& text);
    /** Today's entry's text; none when it does not open under the key. */
    std::optional<QString> openedText(const Entry& entry) const;

    const Surface m_surface;
    EntryStore& m_store;
    ReminderScheduler& m_scheduler;
    const Clock& m_clock;
    std::shared_ptr<const EntryKey> m_key;
    std::unique_ptr<PromptEngine> m_engine;

    Mode m_mode = Mode::prompt;
    std::optional<Prompt> m_prompt;
    QString m_text;
    qint64 m_words = 0;
    QPointer<Autosave> m_autosave;
    bool m_done = false;
    /** Done was pressed while the save could not reach the file: done follows once the store's retry writes it. */
    bool m_finishWaitsForSave = false;
};

} // namespace wendle
