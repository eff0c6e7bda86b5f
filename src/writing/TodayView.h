// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/LookingBack.h"
#include "history/MonthRecap.h"
#include "writing/WritingSession.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QShortcut;

namespace wendle {

class Clock;
class EntryKey;
class EntryStore;
class FilledButton;
class MonthRecapCard;
class OnThisDaySection;
class Pill;
class PlainButton;
class PlainTextEditor;
class RecoveryCodeCheckSheet;
class ReminderScheduler;
class ResurfacedReader;
class TextBlock;
class DocumentWordCount;
class SpellingMenu;

/**
 * The writing screen: today's prompt, an editor whose writing session saves it a second after typing pauses,
 * the day's word count and "Done", a streak number in the header, the entries resurfaced from a month and a
 * year ago, once a month the recap card over everything, and when it is due a quiet offer to check the
 * recovery code.
 *
 * Finding, loading, saving and finishing are the session's; the screen shows it and adds what only it has:
 * the header, the modes' buttons, looking back and the recap. A pending save outlives the screen.
 */
class TodayView : public QWidget
{
    Q_OBJECT

public:
    using Mode = WritingSession::Mode;
    using RecapData = wendle::RecapData;

    TodayView(EntryStore& store, ReminderScheduler& scheduler, std::shared_ptr<const EntryKey> key,
              std::function<void()> openHistory, const Clock& clock, std::unique_ptr<PromptEngine> engine = nullptr,
              QWidget* parent = nullptr);
    ~TodayView() override;

    WritingSession& session() { return m_session; }

    /** "Done" and Ctrl+Return; nothing while the recap card is up. */
    void finishDay();
    /** The mode buttons: the session moves to `mode`, and the editor takes the focus. */
    void switchMode(Mode mode);
    qint64 headerDayNumber() const;
    /** Recomputes the resurfaced entries and, when one is due, the month recap. */
    void refreshLookingBack();
    /** While held, no recap card comes up that is not up already. */
    void setRecapHeld(bool held) { m_recapHeld = held; }
    /** The recap card's button: remember it was seen, hide it, and go back to writing. */
    void beginAfterRecap();
    void openResurfaced(const ResurfacedItem& item);
    /** The header's day number: save now, then show the history. */
    void showHistory();
    /** "Check your recovery code": the sheet that compares a typed code with the session's key. */
    void checkRecoveryCode();
    /**
     * Says once, quietly, that today's snapshot could not be written and why ("the disk is full"); an empty
     * reason hides the line.
     */
    void setSnapshotProblem(const QString& reason);
    QLabel* snapshotProblemLine() const { return m_snapshotProblem; }

    const std::vector<ResurfacedItem>& resurfaced() const { return m_resurfaced; }
    std::optional<ResurfacedItem> reading() const { return m_reading; }
    std::optional<RecapData> recap() const { return m_recap; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildLayout();
    /** Sizes the prompt and the entry by the writing text size, and again each time it changes. */
    void followTextSize();
    void render();
    void onStoreChanged();
    void focusEditorUnlessRecap();
    /** Shows the recovery-code link while the reminder is due. */
    void updateRecoveryCodeOffer();
    QDate today() const;

    EntryStore& m_store;
    const Clock& m_clock;
    WritingSession m_session;
    std::vector<ResurfacedItem> m_resurfaced;
    std::optional<ResurfacedItem> m_reading;
    std::optional<RecapData> m_recap;
    bool m_recapHeld = false;
    std::function<void()> m_openHistory;
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
    PlainButton* m_checkCode = nullptr;
    QLabel* m_snapshotProblem = nullptr;
    QPointer<RecoveryCodeCheckSheet> m_checkSheet;
    std::unique_ptr<DocumentWordCount> m_editorWords;
    SpellingMenu* m_spelling = nullptr;
};

} // namespace wendle
