// SPDX-License-Identifier: GPL-3.0-or-later
#include "writing/MenuBarEntryView.h"

#include "history/SaveProblemLine.h"
#include "journal/Clock.h"
#include "journal/DateText.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/WordCount.h"
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

#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

namespace wendle {

namespace {
constexpr int kWidth = 360;
} // namespace

MenuBarEntryView::MenuBarEntryView(EntryStore& store, ReminderScheduler& scheduler, const Clock& clock,
                                   std::unique_ptr<PromptEngine> engine, QWidget* parent)
    : QWidget(parent)
    , _context(store)
    , _scheduler(scheduler)
    , _engine(engine ? std::move(engine) : std::make_unique<PromptEngine>())
    , _saveTask(new Autosave(&store))
    , m_clock(clock)
{
    Palette::usePaperBackground(this);
    setFixedWidth(kWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->setSpacing(0);
    m_locked = buildLocked();
    m_unlocked = buildUnlocked();
    layout->addWidget(m_locked);
    layout->addWidget(m_unlocked);

    auto* updates = new QHBoxLayout;
    updates->setContentsMargins(20, 0, 20, 0);
    m_checkForUpdates = new PlainButton(QStringLiteral("Check for updates"), 12, Palette::muted(), this);
    m_checkForUpdates->setAccessibleName(QStringLiteral("check for updates"));
    m_checkForUpdates->setEnabled(false);
    connect(m_checkForUpdates, &QAbstractButton::clicked, this, &MenuBarEntryView::checkForUpdatesRequested);
    updates->addStretch(1);
    updates->addWidget(m_checkForUpdates);
    layout->addLayout(updates);
    connect(&_context, &EntryStore::changed, this, &MenuBarEntryView::followStoredText);
    connect(&_context, &EntryStore::saveFailureChanged, this, &MenuBarEntryView::onSaveFailureChanged);
    render();
}

MenuBarEntryView::~MenuBarEntryView()
{
    // A save that is still waiting runs when due, with the key it was scheduled with.
    if (_saveTask) {
        _saveTask->release();
    }
}

QWidget* MenuBarEntryView::buildLocked()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(28, 28, 28, 28);
    layout->setSpacing(14);
    QLabel* title = textLabel(QStringLiteral("w e n d l e"), 15, Palette::ink(), page);
    QFont titleFont = Typography::font(15);
    titleFont.setLetterSpacing(QFont::AbsoluteSpacing, 4);
    title->setFont(titleFont);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    auto* unlock = new PlainButton(QStringLiteral("Unlock with password"), 13, Palette::accent(), page);
    unlock->setAccessibleName(QStringLiteral("unlock"));
    connect(unlock, &QAbstractButton::clicked, this, &MenuBarEntryView::unlockRequested);
    layout->addWidget(unlock, 0, Qt::AlignHCenter);
    return page;
}

QWidget* MenuBarEntryView::buildUnlocked()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(0);

    auto* header = new QHBoxLayout;
    m_category = new Pill(QString(), page);
    m_date = textLabel(QString(), 12, Palette::muted(), page);
    header->addWidget(m_category);
    header->addStretch(1);
    header->addWidget(m_date);
    layout->addLayout(header);

    layout->addSpacing(14);
    m_promptText = new TextBlock(Typography::font(13), Palette::ink(), 5, 0, page);
    layout->addWidget(m_promptText);
    m_noPrompt = new TextBlock(Typography::font(13), Palette::muted(), 5, 0, page);
    m_noPrompt->setText(QStringLiteral("Prompts could not be loaded — write freely meanwhile."));
    layout->addWidget(m_noPrompt);
    m_writeFreely = new PlainButton(QStringLiteral("✎ write freely"), 12, Palette::accent(), page);
    m_writeFreely->setAccessibleName(QStringLiteral("write freely"));
    connect(m_writeFreely, &QAbstractButton::clicked, this, &MenuBarEntryView::writeFreely);
    layout->addWidget(m_writeFreely, 0, Qt::AlignLeft);

    layout->addSpacing(10);
    m_editor = new PlainTextEditor(Typography::font(13), Palette::ink(), 5, page);
    m_editorWords = std::make_unique<DocumentWordCount>(*m_editor->document());
    m_editor->setAccessibleName(QStringLiteral("entry"));
    m_editor->setFixedHeight(120);
    connect(m_editor, &PlainTextEditor::textEdited, this, &MenuBarEntryView::onEditorEdited);
    layout->addWidget(m_editor);

    // The store retries a failed save on its own; the panel only says so while it lasts, wrapped to its width.
    QLabel* saveProblem = saveProblemLine(_context, page);
    saveProblem->setWordWrap(true);
    saveProblem->setContentsMargins(0, 10, 0, 0);
    layout->addWidget(saveProblem);

    layout->addSpacing(12);
    auto* bottom = new QHBoxLayout;
    m_wordCount = textLabel(QString(), 12, Palette::muted(), page);
    m_finish = new FilledButton(QStringLiteral("Done"), 12, page);
    m_finish->setPadding(14, 7);
    m_finish->setCornerRadius(7);
    m_finish->setAccessibleName(QStringLiteral("Done"));
    connect(m_finish, &QAbstractButton::clicked, this, &MenuBarEntryView::finishDay);
    bottom->addWidget(m_wordCount);
    bottom->addStretch(1);
    bottom->addWidget(m_finish);
    layout->addLayout(bottom);

    // Ctrl+Return finishes from anywhere in the panel (Command-Return on macOS).
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(keys, page);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, &MenuBarEntryView::finishDay);
    }
    return page;
}

void MenuBarEntryView::setKey(std::shared_ptr<const EntryKey> key)
{
    if (key == m_key) {
        return;
    }
    // The content starts over with every key. A save still waiting keeps the key it was scheduled with.
    if (_saveTask) {
        _saveTask->release();
    }
    _saveTask = new Autosave(&_context);
    m_key = std::move(key);
    _prompt.reset();
    m_freeWriting = false;
    replaceText(QString());
    _done = false;
    m_finishWaitsForSave = false;
    if (m_key) {
        appear();
    } else {
        render();
    }
}

void MenuBarEntryView::setCanCheckForUpdates(bool can)
{
    m_checkForUpdates->setEnabled(can);
}

TodaysEntry::Target MenuBarEntryView::target() const
{
    if (_prompt) {
        return {_prompt->id, rawValue(_prompt->category)};
    }
    return m_freeWriting ? TodaysEntry::Target{Entry::freeformPromptID, rawValue(PromptCategory::pages)}
                         : TodaysEntry::Target{};
}

bool MenuBarEntryView::hasEditor() const
{
    return !target().promptID.isEmpty();
}

Entry* MenuBarEntryView::todayEntry() const
{
    return TodaysEntry::find(_context, target().promptID, m_clock.now(), Calendar::current());
}

qint64 MenuBarEntryView::wordsElsewhereToday() const
{
    // With nothing to write to every entry of today counts; an empty id matches none.
    return TodaysEntry::wordsElsewhere(_context, target().promptID, m_clock.now(), Calendar::current());
}

void MenuBarEntryView::appear()
{
    if (!m_key) {
        return;
    }
    // What is still waiting to be saved here or on the Today screen goes first, so the panel starts from the
    // newest words and never brings back older text.
    Autosave::runAllNow();
    _prompt = _engine->todaysPrompt(m_clock.now());
    loadEntry();
}

void MenuBarEntryView::loadEntry()
{
    if (const Entry* entry = todayEntry()) {
        QString text;
        try {
            text = openEntryText(entry->cipherBody(), *m_key);
        } catch (const std::exception&) {
            // An unreadable body shows as an empty editor; the store keeps it aside if it is ever replaced.
        }
        replaceText(text);
    }
    // Words the store still holds back from the file are not called saved.
    _done = !_text.isEmpty() && !_context.hasUnsavedChanges()
        && wordsElsewhereToday() + m_editorWords->count() >= completionThreshold;
    render();
}

void MenuBarEntryView::writeFreely()
{
    if (!m_key || _prompt) {
        return;
    }
    m_freeWriting = true;
    loadEntry();
    m_editor->setFocus(Qt::OtherFocusReason);
}

bool MenuBarEntryView::saveEntry()
{
    if (!m_key) {
        return false;
    }
    return TodaysEntry::save(_context, _scheduler, *m_key, target(), _text, m_clock.now(), Calendar::current());
}

void MenuBarEntryView::scheduleAutosave()
{
    _done = false;
    m_finishWaitsForSave = false;
    if (!m_key) {
        return;
    }
    EntryStore* store = &_context;
    ReminderScheduler* scheduler = &_scheduler;
    const Clock* clock = &m_clock;
    _saveTask->schedule([store, scheduler, clock, key = m_key, target = target(), text = _text] {
        TodaysEntry::save(*store, *scheduler, *key, target, text, clock->now(), Calendar::current());
    });
}

void MenuBarEntryView::finishDay()
{
    if (!m_key || !hasEditor()) {
        return;
    }
    _saveTask->cancel();
    // "Saved" only when it is true: a save that did not reach the file leaves "Done" until the retry lands.
    const bool saved = saveEntry();
    _done = saved && wordsElsewhereToday() + m_editorWords->count() >= completionThreshold;
    m_finishWaitsForSave = !saved;
    render();
}

void MenuBarEntryView::onSaveFailureChanged()
{
    if (m_finishWaitsForSave && !_context.hasUnsavedChanges()) {
        m_finishWaitsForSave = false;
        _done = hasEditor() && wordsElsewhereToday() + m_editorWords->count() >= completionThreshold;
        render();
    }
}

void MenuBarEntryView::saveNow()
{
    _saveTask->runNow();
}

void MenuBarEntryView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        appear();
        if (m_key) {
            m_editor->setFocus(Qt::OtherFocusReason);
        }
    }
}

void MenuBarEntryView::followStoredText()
{
    // Typing here that still waits for its save is the newest text; otherwise the Today screen or the reader
    // may have saved today's entry since, and saving the panel's older text would put their words out.
    if (!m_key || _saveTask->isPending()) {
        return;
    }
    const Entry* entry = todayEntry();
    if (!entry) {
        return;
    }
    try {
        if (replaceText(openEntryText(entry->cipherBody(), *m_key))) {
            render();
        }
    } catch (const std::exception&) {
        // A body that does not open is left as it is; the store keeps it aside if it is ever replaced.
    }
}

void MenuBarEntryView::onEditorEdited()
{
    const QString text = m_editor->text();
    if (text == _text) {
        return;
    }
    _text = text;
    scheduleAutosave();
    render();
}

bool MenuBarEntryView::replaceText(const QString& text)
{
    if (text == _text) {
        return false;
    }
    _text = text;
    const QSignalBlocker blocker(m_editor);
    m_editor->setText(text);
    return true;
}

void MenuBarEntryView::render()
{
    m_locked->setVisible(!m_key);
    m_unlocked->setVisible(m_key != nullptr);
    if (!m_key) {
        return;
    }
    // Without a prompt the panel says so and offers free writing; until then there is nothing to type into
    // or to finish.
    const bool editor = hasEditor();
    m_category->setText(_prompt ? label(_prompt->category) : label(PromptCategory::pages));
    m_category->setVisible(editor);
    m_date->setText(formatDate(m_clock.now(), QStringLiteral("EEEMMMd"), Calendar::current()));
    m_promptText->setText(_prompt ? _prompt->text : QString());
    m_promptText->setVisible(_prompt.has_value());
    m_noPrompt->setVisible(!_prompt);
    m_writeFreely->setVisible(!editor);
    m_editor->setVisible(editor);
    m_wordCount->setVisible(editor);
    m_finish->setVisible(editor);

    const qint64 words = m_editorWords->count();
    m_wordCount->setText(
        QStringLiteral("%1 %2").arg(words).arg(words == 1 ? QStringLiteral("word") : QStringLiteral("words")));
    setTextColour(m_wordCount, _done ? Palette::accent() : Palette::muted());
    m_finish->setText(_done ? QStringLiteral("Saved") : QStringLiteral("Done"));
    m_finish->setColours(_done ? Palette::accent() : Palette::ink(), Palette::paper());
    m_finish->updateGeometry();
}

} // namespace wendle
