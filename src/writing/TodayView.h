// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/LookingBack.h"
#include "history/MonthRecap.h"
#include "prompts/PromptEngine.h"
#include "writing/TodaysEntry.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QShortcut;

namespace wendle {

class Autosave;
class Clock;
class EntryKey;
class EntryStore;
class FilledButton;
class MonthRecapCard;
class OnThisDaySection;
class Pill;
class PlainButton;
class PlainTextEditor;
class ReminderScheduler;
class ResurfacedReader;
class TextBlock;
class DocumentWordCount;

/**
 * The writing screen: today's prompt, an editor that saves itself a second after typing pauses, the day's
 * word count and "Done", a streak number in the header, the entries resurfaced from a month and a year ago,
 * and once a month the recap card over everything.
 *
 * It reads and writes the store directly; the day it writes to is the journal day of the clock's current
 * moment, worked out afresh at every operation. A pending save outlives the screen.
 */
class TodayView : public QWidget
{
    Q_OBJECT

public:
    enum class Mode
    {
        prompt,
        freeform
    };

    using RecapData = wendle::RecapData;

    TodayView(EntryStore& store, ReminderScheduler& scheduler, std::shared_ptr<const EntryKey> key,
              std::function<void()> openHistory, const Clock& clock, std::unique_ptr<PromptEngine> engine = nullptr,
              QWidget* parent = nullptr);
    ~TodayView() override;

    QString currentPromptID() const;
    Entry* todayEntry() const;
    qint64 wordsElsewhereToday() const;
    void loadEntry();
    /** Returns whether the text is in the file now. */
    bool saveEntry();
    void scheduleAutosave();
    void finishDay();
    void switchMode(Mode mode);
    void giveMeAnother();
    qint64 headerDayNumber() const;
    /** Recomputes the resurfaced entries and, when one is due, the month recap. */
    void refreshLookingBack();
    /** The recap card's button: remember it was seen, hide it, and go back to writing. */
    void beginAfterRecap();
    void openResurfaced(const ResurfacedItem& item);
    /** The header's day number: save now, then show the history. */
    void showHistory();

    Mode mode() const { return _mode; }
    std::optional<Prompt> prompt() const { return _prompt; }
    QString text() const { return _text; }
    bool isDone() const { return _done; }
    const std::vector<ResurfacedItem>& resurfaced() const { return _resurfaced; }
    std::optional<ResurfacedItem> reading() const { return _reading; }
    std::optional<RecapData> recap() const { return _recap; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildLayout();
    void render();
    void onEditorEdited();
    void onStoreChanged();
    void onSaveFailureChanged();
    /** Takes up today's entry as stored when another surface has saved it and nothing typed here is pending. */
    void followStoredText();
    /** Sets `_text` and the editor; true when the text changed. */
    bool replaceText(const QString& text);
    void focusEditorUnlessRecap();
    TodaysEntry::Target target() const;
    qint64 liveTotal() const;

    // The screen's state.
    EntryStore& _context;
    ReminderScheduler& _scheduler;
    std::unique_ptr<PromptEngine> _engine;
    Mode _mode = Mode::prompt;
    std::optional<Prompt> _prompt;
    QString _text;
    QPointer<Autosave> _saveTask;
    bool _done = false;
    /** Done was pressed while the save could not reach the file: "Saved" follows once the store's retry does. */
    bool m_finishWaitsForSave = false;
    std::vector<ResurfacedItem> _resurfaced;
    std::optional<ResurfacedItem> _reading;
    std::optional<RecapData> _recap;
    std::shared_ptr<const EntryKey> key;
    std::function<void()> openHistory;

    const Clock& m_clock;
    std::size_t m_entryCount = 0;
    // The written days other than today, and the streaks with and without today, per store revision and day.
    struct StreakCache
    {
        quint64 revision = 0;
        QString today;
        qint64 withToday = 0;
        qint64 withoutToday = 0;
    };
    mutable std::optional<StreakCache> m_streaks;

    QWidget* m_column = nullptr;
    QLabel* m_date = nullptr;
    PlainButton* m_dayNumber = nullptr;
    Pill* m_category = nullptr;
    QWidget* m_promptBlock = nullptr;
    TextBlock* m_promptText = nullptr;
    PlainTextEditor* m_editor = nullptr;
    PlainButton* m_another = nullptr;
    PlainButton* m_writeFreely = nullptr;
    PlainButton* m_backToPrompt = nullptr;
    QLabel* m_wordCount = nullptr;
    FilledButton* m_finish = nullptr;
    OnThisDaySection* m_lookingBack = nullptr;
    MonthRecapCard* m_recapCard = nullptr;
    QPointer<ResurfacedReader> m_reader;
    QList<QShortcut*> m_finishShortcuts;
    TextBlock* m_noPrompt = nullptr;
    std::unique_ptr<DocumentWordCount> m_editorWords;
};

} // namespace wendle
