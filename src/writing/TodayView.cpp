// SPDX-License-Identifier: GPL-3.0-or-later
#include "writing/TodayView.h"

#include "history/MonthRecapCard.h"
#include "history/ResurfacingViews.h"
#include "history/SaveProblemLine.h"
#include "history/SpellingHighlighter.h"
#include "history/SpellingMenu.h"
#include "history/Statistics.h"
#include "journal/Clock.h"
#include "journal/DateText.h"
#include "journal/DayKey.h"
#include "journal/EntryStore.h"
#include "journal/Preferences.h"
#include "journal/RecoveryCodeReminder.h"
#include "journal/TextSize.h"
#include "journal/WordCount.h"
#include "lock/RecoveryCodeCheckSheet.h"
#include "reminders/ReminderScheduler.h"
#include "ui/Divider.h"
#include "ui/FilledButton.h"
#include "ui/Palette.h"
#include "ui/Pill.h"
#include "ui/PlainButton.h"
#include "ui/PlainTextEditor.h"
#include "ui/TextBlock.h"
#include "ui/TextLabel.h"
#include "ui/TextSizeKeys.h"
#include "ui/Typography.h"
#include "writing/DocumentWordCount.h"
#include "writing/SessionProgress.h"

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
    , m_store(store)
    , m_clock(clock)
    , m_session(WritingSession::Surface::today, store, scheduler, clock, std::move(key), std::move(engine))
    , m_openHistory(std::move(openHistory))
    , m_entryCount(store.entries().size())
{
    Palette::usePaperBackground(this);
    buildLayout();
    connect(&m_session, &WritingSession::textReplaced, this, [this](const QString& text) {
        const QSignalBlocker blocker(m_editor);
        m_editor->setText(text);
        m_spelling->highlighter()->forgetIgnored();
    });
    connect(&m_session, &WritingSession::changed, this, &TodayView::render);
    connect(&m_store, &EntryStore::changed, this, &TodayView::onStoreChanged);
    render();
}

TodayView::~TodayView() = default;

void TodayView::followTextSize()
{
    TextSize& size = TextSize::shared();
    const auto apply = [this, &size] {
        m_promptText->setTextFont(Typography::font(size.scaled(18), QFont::Medium), size.scaled(6));
        m_noPrompt->setTextFont(Typography::font(size.points()), size.scaled(6));
        m_editor->setTextFont(Typography::font(size.points()), size.scaled(6));
    };
    apply();
    connect(&size, &TextSize::changed, this, apply);
    addTextSizeKeys(this, [&size](int step) { size.resize(step); });
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
    m_noPrompt->setText(tr("Prompts could not be loaded — write freely meanwhile."));
    promptLayout->addWidget(m_noPrompt);
    promptLayout->addSpacing(30);
    promptLayout->addWidget(new Divider(m_promptBlock));
    column->addWidget(m_promptBlock);

    column->addSpacing(16);
    m_editor = new PlainTextEditor(Typography::font(13), Palette::ink(), 6, m_column);
    // Tab moves on: the keyboard alone must reach the buttons around the text.
    m_editor->setTabChangesFocus(true);
    m_editor->setAccessibleName(tr("entry"));
    m_editorWords = std::make_unique<DocumentWordCount>(*m_editor->document());
    m_spelling = SpellingMenu::attach(m_editor);
    connect(m_editor, &PlainTextEditor::textEdited, this,
            [this] { m_session.edit(m_editor->text(), m_editorWords->count()); });
    column->addWidget(m_editor, 1);

    column->addSpacing(24);
    auto* bar = new QHBoxLayout;
    bar->setSpacing(22);
    m_another = new PlainButton(tr("↻ give me another"), 12, Palette::muted(), m_column);
    m_another->setAccessibleName(tr("give me another"));
    connect(m_another, &QAbstractButton::clicked, &m_session, &WritingSession::giveMeAnother);
    m_writeFreely = new PlainButton(tr("✎ write freely"), 12, Palette::muted(), m_column);
    m_writeFreely->setAccessibleName(tr("write freely"));
    connect(m_writeFreely, &QAbstractButton::clicked, this, [this] { switchMode(Mode::freeform); });
    m_backToPrompt = new PlainButton(tr("← back to the prompt"), 12, Palette::muted(), m_column);
    m_backToPrompt->setAccessibleName(tr("back to the prompt"));
    connect(m_backToPrompt, &QAbstractButton::clicked, this, [this] { switchMode(Mode::prompt); });
    m_wordCount = textLabel(QString(), 12, Palette::muted(), m_column);
    m_finish = new FilledButton(tr("Done"), 12, m_column);
    connect(m_finish, &QAbstractButton::clicked, this, &TodayView::finishDay);
    bar->addWidget(m_another);
    bar->addWidget(m_writeFreely);
    bar->addWidget(m_backToPrompt);
    bar->addStretch(1);
    bar->addWidget(m_wordCount);
    bar->addWidget(m_finish);
    // A row of its own over the buttons, so the whole sentence shows even in the narrowest window.
    // The store retries a failed save on its own; this screen only says so while it lasts.
    QLabel* saveProblem = saveProblemLine(m_store, m_column);
    saveProblem->setContentsMargins(0, 0, 0, 10);
    column->addWidget(saveProblem, 0, Qt::AlignRight);
    m_snapshotProblem = textLabel(QString(), 12, Palette::muted(), m_column);
    m_snapshotProblem->setWordWrap(true);
    m_snapshotProblem->setContentsMargins(0, 0, 0, 10);
    m_snapshotProblem->hide();
    column->addWidget(m_snapshotProblem, 0, Qt::AlignRight);
    column->addLayout(bar);

    // Made after "Done", so Tab reaches it after the other controls at the foot of the text.
    m_checkCode = new PlainButton(tr("Check your recovery code"), 12, Palette::muted(), m_column);
    m_checkCode->setAccessibleName(m_checkCode->text());
    m_checkCode->hide();
    connect(m_checkCode, &QAbstractButton::clicked, this, &TodayView::checkRecoveryCode);
    // Its own line under the buttons; while hidden the line takes no room.
    auto* checkLine = new QHBoxLayout;
    checkLine->setContentsMargins(0, 12, 0, 0);
    checkLine->addWidget(m_checkCode);
    checkLine->addStretch(1);
    column->addLayout(checkLine);

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
    followTextSize();
}

void TodayView::setSnapshotProblem(const QString& reason)
{
    m_snapshotProblem->setText(reason.isEmpty() ? QString()
                                                : tr("Today's snapshot could not be written — %1").arg(reason));
    m_snapshotProblem->setAccessibleName(m_snapshotProblem->text());
    m_snapshotProblem->setVisible(!reason.isEmpty());
}

void TodayView::finishDay()
{
    if (!m_recap) {
        m_session.finishDay();
    }
}

void TodayView::switchMode(Mode mode)
{
    m_session.switchMode(mode);
    m_editor->setFocus(Qt::OtherFocusReason);
}

qint64 TodayView::headerDayNumber() const
{
    const Calendar calendar = Calendar::current();
    const QString today = journalDayKey(m_clock.now(), calendar);
    // The other days only change when the store does, so their streaks are worked out once per change.
    if (!m_streaks || m_streaks->revision != m_store.revision() || m_streaks->today != today) {
        QHash<QString, qint64> totals;
        for (const Entry* entry : m_store.entries()) {
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
        m_streaks = StreakCache{m_store.revision(), today, currentStreak(written, today, calendar), without};
    }
    const bool todayWritten = m_session.liveTotal() >= completionThreshold;
    return std::max(todayWritten ? m_streaks->withToday : m_streaks->withoutToday, todayWritten ? qint64(1) : 0);
}

void TodayView::refreshLookingBack()
{
    const QDateTime now = m_clock.now();
    const Calendar calendar = Calendar::current();
    const EntryKey& key = *m_session.key();
    m_resurfaced = resurfacedItems(m_store.entries(), key, now, calendar);
    if (!m_recapHeld) {
        if (std::optional<RecapData> recap = makeRecap(m_store.entries(), key, now, calendar, Preferences())) {
            m_recap = std::move(recap);
        }
    }
    m_lookingBack->setItems(m_resurfaced, [this](const ResurfacedItem& item) { openResurfaced(item); });
    render();
}

void TodayView::beginAfterRecap()
{
    if (!m_recap) {
        return;
    }
    Preferences().setBool(m_recap->flagKey, true);
    m_recap.reset();
    render();
    m_editor->setFocus(Qt::OtherFocusReason);
}

void TodayView::openResurfaced(const ResurfacedItem& item)
{
    m_reading = item;
    if (m_reader) {
        m_reader->close();
    }
    m_reader = new ResurfacedReader(item, this);
    m_reader->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_reader, &QDialog::finished, this, [this] { m_reading.reset(); });
    m_reader->open();
}

void TodayView::showHistory()
{
    m_session.saveNow();
    if (m_openHistory) {
        m_openHistory();
    }
}

void TodayView::checkRecoveryCode()
{
    if (m_checkSheet) {
        return;
    }
    // Asked for the key at each check, so the sheet never holds one.
    m_checkSheet = new RecoveryCodeCheckSheet(
        [this](const QString& typed) {
            const std::shared_ptr<const EntryKey>& key = m_session.key();
            return key && isRecoveryCodeOf(typed, *key);
        },
        this);
    m_checkSheet->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_checkSheet, &RecoveryCodeCheckSheet::confirmed, this, [this] {
        Preferences preferences;
        RecoveryCodeReminder(preferences).recordChecked(today());
        m_checkCode->hide();
    });
    connect(m_checkSheet, &RecoveryCodeCheckSheet::postponed, this, [this] {
        Preferences preferences;
        RecoveryCodeReminder(preferences).postpone(today());
        m_checkCode->hide();
    });
    connect(m_checkSheet, &QDialog::finished, this, [this] {
        if (m_checkCode->isHidden()) {
            focusEditorUnlessRecap(); // the link that had the focus is gone
        }
    });
    m_checkSheet->open();
}

void TodayView::updateRecoveryCodeOffer()
{
    Preferences preferences;
    m_checkCode->setVisible(RecoveryCodeReminder(preferences).isDue(today()));
}

QDate TodayView::today() const
{
    return RecoveryCodeReminder::dateOf(m_clock.now(), Calendar::current());
}

void TodayView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous()) {
        return; // the window came back from being minimised or covered; the screen did not appear anew
    }
    m_session.appear();
    updateRecoveryCodeOffer();
    refreshLookingBack();
    focusEditorUnlessRecap();
}

void TodayView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_recapCard->setGeometry(rect());
}

void TodayView::onStoreChanged()
{
    if (m_store.entries().size() == m_entryCount) {
        render(); // the day number may follow a saved change
        return;
    }
    m_entryCount = m_store.entries().size();
    refreshLookingBack();
    focusEditorUnlessRecap();
}

void TodayView::focusEditorUnlessRecap()
{
    if (m_recap) {
        m_recapCard->setFocus(Qt::OtherFocusReason);
    } else {
        m_editor->setFocus(Qt::OtherFocusReason);
    }
}

void TodayView::render()
{
    const Calendar calendar = Calendar::current();
    const QDateTime now = m_clock.now();
    m_date->setText(formatDate(now, QStringLiteral("EEEEMMMMd"), calendar));
    m_dayNumber->setText(tr("day %1").arg(headerDayNumber()));
    m_dayNumber->setAccessibleName(tr("%1, history").arg(m_dayNumber->text()));
    m_dayNumber->updateGeometry();

    const std::optional<Prompt>& prompt = m_session.prompt();
    const bool freeform = m_session.mode() == Mode::freeform;
    m_category->setText(freeform ? label(PromptCategory::pages) : prompt ? label(prompt->category) : QString());
    // Without a prompt the screen writes freely and says why; there is no prompt to go back to.
    const bool noPrompt = !prompt;
    m_promptBlock->setVisible(!freeform || noPrompt);
    m_promptText->setVisible(!noPrompt);
    m_promptText->setText(prompt ? prompt->text : QString());
    m_noPrompt->setVisible(noPrompt);
    m_category->setVisible(freeform || !noPrompt);
    // Nothing typed could be stored against no prompt.
    m_editor->setReadOnly(!freeform && noPrompt);
    m_editor->setMinimumHeight(freeform ? 320 : 180);

    m_another->setVisible(!freeform && !noPrompt);
    m_writeFreely->setVisible(!freeform);
    m_backToPrompt->setVisible(freeform && !noPrompt);

    showSessionProgress(m_session, m_wordCount, m_finish);

    m_column->setEnabled(!m_recap);
    for (QShortcut* shortcut : std::as_const(m_finishShortcuts)) {
        shortcut->setEnabled(!m_recap);
    }
    if (m_recap) {
        m_recapCard->setRecap(*m_recap);
        m_recapCard->setGeometry(rect());
        m_recapCard->show();
        m_recapCard->raise();
    } else {
        m_recapCard->hide();
    }
}

} // namespace wendle
