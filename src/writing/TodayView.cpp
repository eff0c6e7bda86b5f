// SPDX-License-Identifier: GPL-3.0-or-later
#include "writing/TodayView.h"

#include "history/MonthRecapCard.h"
#include "history/ResurfacingViews.h"
#include "history/SaveProblemLine.h"
#include "history/Statistics.h"
#include "journal/Clock.h"
#include "journal/DateText.h"
#include "journal/DayKey.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/Preferences.h"
#include "journal/WordCount.h"
#include "reminders/ReminderScheduler.h"
#include "ui/Divider.h"
#include "ui/FilledButton.h"
#include "ui/Palette.h"
#include "ui/Pill.h"
#include "ui/PlainButton.h"
#include "ui/PlainTextEditor.h"
#include "ui/TextBlock.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"
#include "writing/Autosave.h"
#include "writing/DocumentWordCount.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

namespace wendle {

TodayView::TodayView(EntryStore& store, ReminderScheduler& scheduler, std::shared_ptr<const EntryKey> key,
                     std::function<void()> openHistory, const Clock& clock, std::unique_ptr<PromptEngine> engine,
                     QWidget* parent)
    : QWidget(parent)
    , _context(store)
    , _scheduler(scheduler)
    , _engine(engine ? std::move(engine) : std::make_unique<PromptEngine>())
    , _saveTask(new Autosave(&store))
    , key(std::move(key))
    , openHistory(std::move(openHistory))
    , m_clock(clock)
    , m_entryCount(store.entries().size())
{
    Palette::usePaperBackground(this);
    buildLayout();
    connect(&_context, &EntryStore::changed, this, &TodayView::onStoreChanged);
    connect(&_context, &EntryStore::saveFailureChanged, this, &TodayView::onSaveFailureChanged);
    render();
}

TodayView::~TodayView()
{
    // A save that is still waiting runs when due, with the key it was scheduled with.
    if (_saveTask) {
        _saveTask->release();
    }
}

void TodayView::buildLayout()
{
    // The column never gets smaller than 680 × 560, nor than its own content: both share one cell.
    auto* root = new QGridLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->addItem(new QSpacerItem(680, 560, QSizePolicy::Minimum, QSizePolicy::Minimum), 0, 0);
    m_column = new QWidget(this);
    root->addWidget(m_column, 0, 0);

    auto* column = new QVBoxLayout(m_column);
    column->setContentsMargins(56, 44, 56, 36);
    column->setSpacing(0);

    auto* header = new QHBoxLayout;
    m_date = textLabel(QString(), 12, Palette::muted(), m_column);
    m_dayNumber = new PlainButton(QString(), 12, Palette::accent(), m_column);
    m_dayNumber->setAccessibleName(QStringLiteral("history"));
    connect(m_dayNumber, &QAbstractButton::clicked, this, &TodayView::showHistory);
    header->addWidget(m_date);
    header->addStretch(1);
    header->addWidget(m_dayNumber);
    column->addLayout(header);

    column->addSpacing(40);
    m_category = new Pill(QString(), m_column);
    column->addWidget(m_category, 0, Qt::AlignLeft);
    column->addSpacing(18);

    m_promptBlock = new QWidget(m_column);
    auto* promptLayout = new QVBoxLayout(m_promptBlock);
    promptLayout->setContentsMargins(0, 0, 0, 0);
    promptLayout->setSpacing(0);
    m_promptText = new TextBlock(Typography::font(18, QFont::Medium), Palette::ink(), 6, 0, m_promptBlock);
    promptLayout->addWidget(m_promptText);
    m_noPrompt = new TextBlock(Typography::font(13), Palette::muted(), 6, 0, m_promptBlock);
    m_noPrompt->setText(QStringLiteral("Prompts could not be loaded — write freely meanwhile."));
    promptLayout->addWidget(m_noPrompt);
    promptLayout->addSpacing(30);
    promptLayout->addWidget(new Divider(m_promptBlock));
    column->addWidget(m_promptBlock);

    column->addSpacing(16);
    m_editor = new PlainTextEditor(Typography::font(13), Palette::ink(), 6, m_column);
    m_editor->setAccessibleName(QStringLiteral("entry"));
    m_editorWords = std::make_unique<DocumentWordCount>(*m_editor->document());
    connect(m_editor, &PlainTextEditor::textEdited, this, &TodayView::onEditorEdited);
    column->addWidget(m_editor, 1);

    column->addSpacing(24);
    auto* bar = new QHBoxLayout;
    bar->setSpacing(22);
    m_another = new PlainButton(QStringLiteral("↻ give me another"), 12, Palette::muted(), m_column);
    m_another->setAccessibleName(QStringLiteral("give me another"));
    connect(m_another, &QAbstractButton::clicked, this, &TodayView::giveMeAnother);
    m_writeFreely = new PlainButton(QStringLiteral("✎ write freely"), 12, Palette::muted(), m_column);
    m_writeFreely->setAccessibleName(QStringLiteral("write freely"));
    connect(m_writeFreely, &QAbstractButton::clicked, this, [this] { switchMode(Mode::freeform); });
    m_backToPrompt = new PlainButton(QStringLiteral("← back to the prompt"), 12, Palette::muted(), m_column);
    m_backToPrompt->setAccessibleName(QStringLiteral("back to the prompt"));
    connect(m_backToPrompt, &QAbstractButton::clicked, this, [this] { switchMode(Mode::prompt); });
    m_wordCount = textLabel(QString(), 12, Palette::muted(), m_column);
    m_finish = new FilledButton(QStringLiteral("Done"), 12, m_column);
    m_finish->setAccessibleName(QStringLiteral("Done"));
    connect(m_finish, &QAbstractButton::clicked, this, &TodayView::finishDay);
    bar->addWidget(m_another);
    bar->addWidget(m_writeFreely);
    bar->addWidget(m_backToPrompt);
    bar->addStretch(1);
    bar->addWidget(m_wordCount);
    bar->addWidget(m_finish);
    // A row of its own over the buttons, so the whole sentence shows even in the narrowest window.
    // The store retries a failed save on its own; this screen only says so while it lasts.
    QLabel* saveProblem = saveProblemLine(_context, m_column);
    saveProblem->setContentsMargins(0, 0, 0, 10);
    column->addWidget(saveProblem, 0, Qt::AlignRight);
    column->addLayout(bar);

    m_lookingBack = new OnThisDaySection(m_column);
    column->addWidget(m_lookingBack);

    m_recapCard = new MonthRecapCard(this);
    m_recapCard->hide();
    connect(m_recapCard, &MonthRecapCard::begin, this, &TodayView::beginAfterRecap);

    // Ctrl+Return finishes the day from anywhere in the window (Command-Return on macOS).
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, &TodayView::finishDay);
        m_finishShortcuts << shortcut;
    }
}

QString TodayView::currentPromptID() const
{
    if (_mode == Mode::freeform) {
        return Entry::freeformPromptID;
    }
    return _prompt ? _prompt->id : QString();
}

TodaysEntry::Target TodayView::target() const
{
    if (_mode == Mode::freeform) {
        return {Entry::freeformPromptID, rawValue(PromptCategory::pages)};
    }
    return _prompt ? TodaysEntry::Target{_prompt->id, rawValue(_prompt->category)} : TodaysEntry::Target{};
}

Entry* TodayView::todayEntry() const
{
    return TodaysEntry::find(_context, currentPromptID(), m_clock.now(), Calendar::current());
}

qint64 TodayView::wordsElsewhereToday() const
{
    return TodaysEntry::wordsElsewhere(_context, currentPromptID(), m_clock.now(), Calendar::current());
}

qint64 TodayView::liveTotal() const
{
    return wordsElsewhereToday() + m_editorWords->count();
}

void TodayView::loadEntry()
{
    bool changed = false;
    if (const Entry* entry = todayEntry()) {
        QString text;
        try {
            text = openEntryText(entry->cipherBody(), *key);
        } catch (const std::exception&) {
            // An unreadable body shows as an empty editor; the store keeps it aside if it is ever replaced.
        }
        changed = replaceText(text);
    }
    // Words the store still holds back from the file are not called saved.
    _done = !_text.isEmpty() && !_context.hasUnsavedChanges() && liveTotal() >= completionThreshold;
    if (changed) {
        scheduleAutosave();
    }
    render();
}

bool TodayView::saveEntry()
{
    return TodaysEntry::save(_context, _scheduler, *key, target(), _text, m_clock.now(), Calendar::current());
}

void TodayView::scheduleAutosave()
{
    _done = false;
    m_finishWaitsForSave = false;
    if (!_saveTask) {
        _saveTask = new Autosave(&_context);
    }
    // The save works from what is on screen now; any later change schedules a newer one.
    EntryStore* store = &_context;
    ReminderScheduler* scheduler = &_scheduler;
    const Clock* clock = &m_clock;
    _saveTask->schedule(
        [store, scheduler, clock, key = key, target = target(), text = _text, words = m_editorWords->count()] {
            TodaysEntry::save(*store, *scheduler, *key, target, text, clock->now(), Calendar::current(), words);
        });
}

void TodayView::finishDay()
{
    if (_recap) {
        return;
    }
    if (_saveTask) {
        _saveTask->cancel();
    }
    // "Saved" only when it is true: a save that did not reach the file leaves "Done" until the retry lands.
    const bool saved = saveEntry();
    _done = saved && liveTotal() >= completionThreshold;
    m_finishWaitsForSave = !saved;
    render();
}

void TodayView::onSaveFailureChanged()
{
    if (m_finishWaitsForSave && !_context.hasUnsavedChanges()) {
        m_finishWaitsForSave = false;
        _done = liveTotal() >= completionThreshold;
        render();
    }
}

void TodayView::switchMode(Mode mode)
{
    if (_saveTask) {
        _saveTask->cancel();
    }
    saveEntry();
    _mode = mode;
    const bool changed = replaceText(QString());
    _done = false;
    m_finishWaitsForSave = false;
    if (changed) {
        scheduleAutosave();
    }
    loadEntry();
    m_editor->setFocus(Qt::OtherFocusReason);
    render();
}

void TodayView::giveMeAnother()
{
    if (_saveTask) {
        _saveTask->cancel();
    }
    saveEntry();
    _prompt = _engine->assignNext(journalDayKey(m_clock.now(), Calendar::current()));
    const bool changed = replaceText(QString());
    _done = false;
    m_finishWaitsForSave = false;
    if (changed) {
        scheduleAutosave();
    }
    loadEntry();
    render();
}

qint64 TodayView::headerDayNumber() const
{
    const Calendar calendar = Calendar::current();
    const QString today = journalDayKey(m_clock.now(), calendar);
    // The other days only change when the store does, so their streaks are worked out once per change.
    if (!m_streaks || m_streaks->revision != _context.revision() || m_streaks->today != today) {
        QHash<QString, qint64> totals;
        for (const Entry* entry : _context.entries()) {
            if (entry->dayKey() != today) {
                totals[entry->dayKey()] += entry->creditedWords();
            }
        }
        QSet<QString> written;
        for (auto it = totals.constBegin(); it != totals.constEnd(); ++it) {
            if (it.value() >= completionThreshold) {
                written.insert(it.key());
            }
        }
        const qint64 without = currentStreak(written, today, calendar);
        written.insert(today);
        m_streaks = StreakCache{_context.revision(), today, currentStreak(written, today, calendar), without};
    }
    const bool todayWritten = liveTotal() >= completionThreshold;
    return std::max(todayWritten ? m_streaks->withToday : m_streaks->withoutToday, todayWritten ? qint64(1) : 0);
}

void TodayView::refreshLookingBack()
{
    const QDateTime now = m_clock.now();
    const Calendar calendar = Calendar::current();
    _resurfaced = resurfacedItems(_context.entries(), *key, now, calendar);
    if (std::optional<RecapData> recap = makeRecap(_context.entries(), *key, now, calendar, Preferences())) {
        _recap = std::move(recap);
    }
    m_lookingBack->setItems(_resurfaced, [this](const ResurfacedItem& item) { openResurfaced(item); });
    render();
}

void TodayView::beginAfterRecap()
{
    if (!_recap) {
        return;
    }
    Preferences().setBool(_recap->flagKey, true);
    _recap.reset();
    render();
    m_editor->setFocus(Qt::OtherFocusReason);
}

void TodayView::openResurfaced(const ResurfacedItem& item)
{
    _reading = item;
    if (m_reader) {
        m_reader->close();
    }
    m_reader = new ResurfacedReader(item, this);
    m_reader->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_reader, &QDialog::finished, this, [this] { _reading.reset(); });
    m_reader->open();
}

void TodayView::showHistory()
{
    if (_saveTask) {
        _saveTask->cancel();
    }
    saveEntry();
    if (openHistory) {
        openHistory();
    }
}

void TodayView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous()) {
        return; // the window came back from being minimised or covered; the screen did not appear anew
    }
    _prompt = _engine->todaysPrompt(m_clock.now());
    if (!_prompt) {
        _mode = Mode::freeform; // without prompts, free writing is the one place words can go
    }
    loadEntry();
    refreshLookingBack();
    focusEditorUnlessRecap();
}

void TodayView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_recapCard->setGeometry(rect());
}

void TodayView::onEditorEdited()
{
    const QString text = m_editor->text();
    if (text == _text) {
        return;
    }
    _text = text;
    scheduleAutosave();
    render();
}

void TodayView::onStoreChanged()
{
    followStoredText();
    if (_context.entries().size() == m_entryCount) {
        render(); // the day number may follow a saved change
        return;
    }
    m_entryCount = _context.entries().size();
    refreshLookingBack();
    focusEditorUnlessRecap();
}

void TodayView::followStoredText()
{
    // Typing here that still waits for its save is the newest text; otherwise the tray panel or the reader may
    // have saved today's entry since, and saving this screen's older text would put their words out.
    const Entry* entry = todayEntry();
    if (!entry || (_saveTask && _saveTask->isPending())) {
        return;
    }
    try {
        replaceText(openEntryText(entry->cipherBody(), *key));
    } catch (const std::exception&) {
        // A body that does not open is left as it is; the store keeps it aside if it is ever replaced.
    }
}

bool TodayView::replaceText(const QString& text)
{
    if (text == _text) {
        return false;
    }
    _text = text;
    const QSignalBlocker blocker(m_editor);
    m_editor->setText(text);
    return true;
}

void TodayView::focusEditorUnlessRecap()
{
    if (_recap) {
        m_editor->clearFocus();
    } else {
        m_editor->setFocus(Qt::OtherFocusReason);
    }
}

void TodayView::render()
{
    const Calendar calendar = Calendar::current();
    const QDateTime now = m_clock.now();
    m_date->setText(formatDate(now, QStringLiteral("EEEEMMMMd"), calendar));
    m_dayNumber->setText(QStringLiteral("day %1").arg(headerDayNumber()));
    m_dayNumber->updateGeometry();

    const bool freeform = _mode == Mode::freeform;
    m_category->setText(freeform ? label(PromptCategory::pages) : _prompt ? label(_prompt->category) : QString());
    // Without a prompt the screen writes freely and says why; there is no prompt to go back to.
    const bool noPrompt = !_prompt;
    m_promptBlock->setVisible(!freeform || noPrompt);
    m_promptText->setVisible(!noPrompt);
    m_promptText->setText(_prompt ? _prompt->text : QString());
    m_noPrompt->setVisible(noPrompt);
    m_category->setVisible(freeform || !noPrompt);
    // Nothing typed could be stored against no prompt.
    m_editor->setReadOnly(!freeform && noPrompt);
    m_editor->setMinimumHeight(freeform ? 320 : 180);

    m_another->setVisible(!freeform && !noPrompt);
    m_writeFreely->setVisible(!freeform);
    m_backToPrompt->setVisible(freeform && !noPrompt);

    const qint64 words = m_editorWords->count();
    m_wordCount->setText(
        QStringLiteral("%1 %2").arg(words).arg(words == 1 ? QStringLiteral("word") : QStringLiteral("words")));
    setTextColour(m_wordCount, _done ? Palette::accent() : Palette::muted());
    m_finish->setText(_done ? QStringLiteral("Saved") : QStringLiteral("Done"));
    m_finish->setColours(_done ? Palette::accent() : Palette::ink(), Palette::paper());
    m_finish->updateGeometry();

    m_column->setEnabled(!_recap);
    for (QShortcut* shortcut : std::as_const(m_finishShortcuts)) {
        shortcut->setEnabled(!_recap);
    }
    if (_recap) {
        m_recapCard->setRecap(*_recap);
        m_recapCard->setGeometry(rect());
        m_recapCard->show();
        m_recapCard->raise();
    } else {
        m_recapCard->hide();
    }
}

} // namespace wendle
