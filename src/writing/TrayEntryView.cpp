// SPDX-License-Identifier: GPL-3.0-or-later
#include "writing/TrayEntryView.h"

#include "history/SaveProblemLine.h"
#include "history/SpellingHighlighter.h"
#include "history/SpellingMenu.h"
#include "journal/Clock.h"
#include "journal/DateText.h"
#include "journal/TextSize.h"
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

#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

namespace wendle {

namespace {
constexpr int kWidth = 360;
} // namespace

TrayEntryView::TrayEntryView(EntryStore& store, ReminderScheduler& scheduler, const Clock& clock,
                             std::unique_ptr<PromptEngine> engine, QWidget* parent)
    : QWidget(parent)
    , m_clock(clock)
    , m_session(WritingSession::Surface::tray, store, scheduler, clock, nullptr, std::move(engine))
{
    Palette::usePaperBackground(this);
    setFixedWidth(kWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->setSpacing(0);
    m_locked = buildLocked();
    m_unlocked = buildUnlocked(store);
    layout->addWidget(m_locked);
    layout->addWidget(m_unlocked);

    auto* updates = new QHBoxLayout;
    updates->setContentsMargins(20, 0, 20, 0);
    m_checkForUpdates = new PlainButton(tr("Check for updates"), 12, Palette::muted(), this);
    m_checkForUpdates->setAccessibleName(tr("Check for updates"));
    m_checkForUpdates->setEnabled(false);
    connect(m_checkForUpdates, &QAbstractButton::clicked, this, &TrayEntryView::checkForUpdatesRequested);
    updates->addStretch(1);
    updates->addWidget(m_checkForUpdates);
    layout->addLayout(updates);
    connect(&m_session, &WritingSession::textReplaced, this, [this](const QString& text) {
        const QSignalBlocker blocker(m_editor);
        m_editor->setText(text);
        m_spelling->highlighter()->forgetIgnored();
    });
    connect(&m_session, &WritingSession::changed, this, &TrayEntryView::render);
    render();
}

TrayEntryView::~TrayEntryView() = default;

QWidget* TrayEntryView::buildLocked()
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
    auto* unlock = new PlainButton(tr("Unlock with password"), 13, Palette::accent(), page);
    unlock->setAccessibleName(tr("Unlock with password"));
    connect(unlock, &QAbstractButton::clicked, this, &TrayEntryView::unlockRequested);
    layout->addWidget(unlock, 0, Qt::AlignHCenter);
    return page;
}

QWidget* TrayEntryView::buildUnlocked(EntryStore& store)
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
    m_noPrompt->setText(tr("Prompts could not be loaded — write freely meanwhile."));
    layout->addWidget(m_noPrompt);
    m_writeFreely = new PlainButton(tr("✎ write freely"), 12, Palette::accent(), page);
    m_writeFreely->setAccessibleName(tr("write freely"));
    connect(m_writeFreely, &QAbstractButton::clicked, this, [this] {
        m_session.switchMode(WritingSession::Mode::freeform);
        m_editor->setFocus(Qt::OtherFocusReason);
    });
    layout->addWidget(m_writeFreely, 0, Qt::AlignLeft);

    layout->addSpacing(10);
    m_editor = new PlainTextEditor(Typography::font(13), Palette::ink(), 5, page);
    // Tab moves on: the keyboard alone must reach the buttons around the text.
    m_editor->setTabChangesFocus(true);
    m_editorWords = std::make_unique<DocumentWordCount>(*m_editor->document());
    m_spelling = SpellingMenu::attach(m_editor);
    m_editor->setAccessibleName(tr("entry"));
    m_editor->setFixedHeight(120);
    connect(m_editor, &PlainTextEditor::textEdited, this,
            [this] { m_session.edit(m_editor->text(), m_editorWords->count()); });
    layout->addWidget(m_editor);

    // The store retries a failed save on its own; the panel only says so while it lasts, wrapped to its width.
    QLabel* saveProblem = saveProblemLine(store, page);
    saveProblem->setWordWrap(true);
    saveProblem->setContentsMargins(0, 10, 0, 0);
    layout->addWidget(saveProblem);

    layout->addSpacing(12);
    auto* bottom = new QHBoxLayout;
    m_wordCount = textLabel(QString(), 12, Palette::muted(), page);
    m_finish = new FilledButton(tr("Done"), 12, page);
    m_finish->setPadding(14, 7);
    m_finish->setCornerRadius(7);
    connect(m_finish, &QAbstractButton::clicked, &m_session, &WritingSession::finishDay);
    bottom->addWidget(m_wordCount);
    bottom->addStretch(1);
    bottom->addWidget(m_finish);
    layout->addLayout(bottom);

    // Ctrl+Return finishes from anywhere in the panel (Command-Return on macOS).
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(keys, page);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, &m_session, &WritingSession::finishDay);
    }
    followTextSize(page);
    return page;
}

void TrayEntryView::followTextSize(QWidget* page)
{
    TextSize& size = TextSize::shared();
    const auto apply = [this, &size] {
        const QFont font = Typography::font(size.points());
        m_promptText->setTextFont(font, size.scaled(5));
        m_noPrompt->setTextFont(font, size.scaled(5));
        m_editor->setTextFont(font, size.scaled(5));
    };
    apply();
    connect(&size, &TextSize::changed, page, apply);
    addTextSizeKeys(page, [&size](int step) { size.resize(step); });
}

void TrayEntryView::setKey(std::shared_ptr<const EntryKey> key)
{
    if (key != m_session.key()) {
        m_session.setKey(std::move(key));
        m_session.appear();
    }
}

void TrayEntryView::setCanCheckForUpdates(bool can)
{
    m_checkForUpdates->setEnabled(can);
}

void TrayEntryView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous() && isUnlocked()) {
        m_session.appear();
        m_editor->setFocus(Qt::OtherFocusReason);
    }
}

void TrayEntryView::render()
{
    m_locked->setVisible(!isUnlocked());
    m_unlocked->setVisible(isUnlocked());
    if (!isUnlocked()) {
        return;
    }
    // Without a prompt the panel says so and offers free writing; until then there is nothing to type into
    // or to finish.
    const std::optional<Prompt>& prompt = m_session.prompt();
    const bool editor = m_session.hasTarget();
    m_category->setText(prompt ? label(prompt->category) : label(PromptCategory::pages));
    m_category->setVisible(editor);
    m_date->setText(formatDate(m_clock.now(), QStringLiteral("EEEMMMd"), Calendar::current()));
    m_promptText->setText(prompt ? prompt->text : QString());
    m_promptText->setVisible(prompt.has_value());
    m_noPrompt->setVisible(!prompt);
    m_writeFreely->setVisible(!editor);
    m_editor->setVisible(editor);
    m_wordCount->setVisible(editor);
    m_finish->setVisible(editor);

    showSessionProgress(m_session, m_wordCount, m_finish);
}

} // namespace wendle
