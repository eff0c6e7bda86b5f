// SPDX-License-Identifier: GPL-3.0-or-later
#include "writing/WritingSession.h"

#include "journal/Clock.h"
#include "journal/DayKey.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/WordCount.h"
#include "writing/Autosave.h"

namespace wendle {

WritingSession::WritingSession(Surface surface, EntryStore& store, ReminderScheduler& scheduler, const Clock& clock,
                               std::shared_ptr<const EntryKey> key, std::unique_ptr<PromptEngine> engine)
    : m_surface(surface)
    , m_store(store)
    , m_scheduler(scheduler)
    , m_clock(clock)
    , m_key(std::move(key))
    , m_engine(engine ? std::move(engine) : std::make_unique<PromptEngine>())
    , m_autosave(new Autosave(&store))
{
    connect(&m_store, &EntryStore::changed, this, &WritingSession::followStoredText);
    connect(&m_store, &EntryStore::saveFailureChanged, this, &WritingSession::onSaveFailureChanged);
}

WritingSession::~WritingSession()
{
    if (m_autosave) {
        m_autosave->release();
    }
}

void WritingSession::setKey(std::shared_ptr<const EntryKey> key)
{
    if (key == m_key) {
        return;
    }
    // A save still waiting keeps the key it was scheduled with.
    if (m_autosave) {
        m_autosave->release();
    }
    m_autosave = new Autosave(&m_store);
    m_key = std::move(key);
    m_mode = Mode::prompt;
    m_prompt.reset();
    replaceText(QString());
    m_done = false;
    m_finishWaitsForSave = false;
    Q_EMIT changed();
}

TodaysEntry::Target WritingSession::target() const
{
    if (m_mode == Mode::freeform) {
        return {Entry::freeformPromptID, rawValue(PromptCategory::pages)};
    }
    return m_prompt ? TodaysEntry::Target{m_prompt->id, rawValue(m_prompt->category)} : TodaysEntry::Target{};
}

Entry* WritingSession::todayEntry() const
{
    return TodaysEntry::find(m_store, currentPromptID(), m_clock.now(), Calendar::current());
}

qint64 WritingSession::wordsElsewhereToday() const
{
    return TodaysEntry::wordsElsewhere(m_store, currentPromptID(), m_clock.now(), Calendar::current());
}

void WritingSession::appear()
{
    if (!m_key) {
        return;
    }
    if (m_surface == Surface::tray) {
        Autosave::runAllNow();
    }
    m_prompt = m_engine->todaysPrompt(m_clock.now());
    if (!m_prompt && m_surface == Surface::today) {
        m_mode = Mode::freeform; // without prompts, free writing is the one place words can go
    }
    loadEntry();
}

void WritingSession::loadEntry()
{
    bool replaced = false;
    if (const Entry* entry = todayEntry(); entry && m_key) {
        // An unreadable body shows as empty text; the store keeps it aside if it is ever replaced.
        replaced = replaceText(openedText(*entry).value_or(QString()));
    }
    // Words the store still holds back from the file are not called saved.
    m_done = !m_text.isEmpty() && !m_store.hasUnsavedChanges() && liveTotal() >= completionThreshold;
    if (replaced && m_surface == Surface::today) {
        scheduleAutosave();
    }
    Q_EMIT changed();
}

void WritingSession::edit(const QString& text, std::optional<qint64> words)
{
    if (text == m_text) {
        return;
    }
    m_text = text;
    m_words = words ? *words : countWords(text);
    scheduleAutosave();
    Q_EMIT changed();
}

bool WritingSession::save()
{
    if (!m_key) {
        return false;
    }
    if (m_autosave) {
        m_autosave->cancel();
    }
    return TodaysEntry::save(m_store, m_scheduler, *m_key, target(), m_text, m_clock.now(), Calendar::current(),
                             m_words);
}

void WritingSession::saveNow()
{
    // Words that do not reach the file stay with the store, which retries them and says so meanwhile.
    static_cast<void>(save());
}

void WritingSession::flushPendingSave()
{
    if (m_autosave) {
        m_autosave->runNow();
    }
}

void WritingSession::scheduleAutosave()
{
    m_done = false;
    m_finishWaitsForSave = false;
    if (!m_key || !m_autosave) {
        return;
    }
    // The save works from the text as it is now; any later change schedules a newer one.
    m_autosave->schedule([store = &m_store, scheduler = &m_scheduler, clock = &m_clock, key = m_key, target = target(),
                          text = m_text, words = m_words] {
        TodaysEntry::save(*store, *scheduler, *key, target, text, clock->now(), Calendar::current(), words);
    });
}

void WritingSession::finishDay()
{
    if (!m_key || !hasTarget()) {
        return;
    }
    // Done only when it is true: a save that did not reach the file leaves it until the store's retry lands.
    const bool saved = save();
    m_done = saved && liveTotal() >= completionThreshold;
    m_finishWaitsForSave = !saved;
    Q_EMIT changed();
}

void WritingSession::onSaveFailureChanged()
{
    if (m_finishWaitsForSave && !m_store.hasUnsavedChanges()) {
        m_finishWaitsForSave = false;
        m_done = liveTotal() >= completionThreshold;
        Q_EMIT changed();
    }
}

void WritingSession::switchMode(Mode mode)
{
    saveNow();
    m_mode = mode;
    moveToAnotherEntry();
}

void WritingSession::giveMeAnother()
{
    saveNow();
    m_prompt = m_engine->assignNext(journalDayKey(m_clock.now(), Calendar::current()));
    moveToAnotherEntry();
}

void WritingSession::moveToAnotherEntry()
{
    const bool cleared = replaceText(QString());
    m_done = false;
    m_finishWaitsForSave = false;
    if (cleared) {
        scheduleAutosave();
    }
    loadEntry();
}

void WritingSession::followStoredText()
{
    if (!m_key || (m_autosave && m_autosave->isPending())) {
        return;
    }
    const Entry* entry = todayEntry();
    if (!entry) {
        return;
    }
    // A body that does not open is left as it is; the store keeps it aside if it is ever replaced.
    if (const std::optional<QString> stored = openedText(*entry); stored && replaceText(*stored)) {
        Q_EMIT changed();
    }
}

bool WritingSession::replaceText(const QString& text)
{
    if (text == m_text) {
        return false;
    }
    m_text = text;
    m_words = countWords(text);
    Q_EMIT textReplaced(text);
    return true;
}

std::optional<QString> WritingSession::openedText(const Entry& entry) const
{
    try {
        return openEntryText(entry.cipherBody(), *m_key);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace wendle
