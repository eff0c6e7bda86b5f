// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/EntryReader.h"

#include "history/SaveProblemLine.h"
#include "history/SpellingMenu.h"
#include "history/VersionsSheet.h"
#include "journal/Clock.h"
#include "journal/DateText.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/TextSize.h"
#include "journal/WordCount.h"
#include "journal/WrittenDays.h"
#include "prompts/PromptCategory.h"
#include "ui/FilledButton.h"
#include "ui/Palette.h"
#include "ui/Pill.h"
#include "ui/PlainButton.h"
#include "ui/PlainTextEditor.h"
#include "ui/SheetEdge.h"
#include "ui/TextLabel.h"
#include "ui/TextSizeKeys.h"
#include "ui/Typography.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace wendle {

EntryReader::EntryReader(Entry& entry, std::shared_ptr<const EntryKey> key, EntryStore& context, const Clock& clock,
                         QWidget* parent)
    : QDialog(parent)
    , m_entry(entry)
    , m_key(std::move(key))
    , m_dismiss([this] { reject(); })
    , m_store(context)
    , m_clock(clock)
{
    setWindowModality(Qt::WindowModal);
    setFixedSize(560, 460);
    useSheetLook(this);
    const Calendar calendar = Calendar::current();
    const QString date = formatDate(entry.date(), QStringLiteral("EEEEMMMMdy"), calendar);
    setWindowTitle(date);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(36, 36, 36, 36);
    layout->setSpacing(18);

    auto* header = new QHBoxLayout;
    auto* close = new PlainButton(tr("close"), 12, Palette::muted(), this);
    close->setAccessibleName(tr("close"));
    connect(close, &QAbstractButton::clicked, this, [this] { m_dismiss(); });
    header->addWidget(textLabel(date, 12, Palette::muted(), this));
    header->addStretch(1);
    header->addWidget(close);
    layout->addLayout(header);

    auto* categoryRow = new QHBoxLayout;
    categoryRow->addWidget(new Pill(label(categoryOf(entry)), this));
    categoryRow->addStretch(1);
    if (!isTodayEntry(entry, m_clock.now(), calendar)) {
        categoryRow->addWidget(textLabel(tr("edits won't change this day's streak"), 11, Palette::faint(), this));
    }
    layout->addLayout(categoryRow);

    m_editor = new PlainTextEditor(Typography::font(13), Palette::ink(), 6, this);
    // Tab moves on: the keyboard alone must reach the buttons around the text.
    m_editor->setTabChangesFocus(true);
    m_editor->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_editor->setAccessibleName(tr("entry text"));
    connect(m_editor, &PlainTextEditor::textEdited, this, &EntryReader::onEdited);
    SpellingMenu::attach(m_editor);
    TextSize& size = TextSize::shared();
    const auto followTextSize
        = [this, &size] { m_editor->setTextFont(Typography::font(size.points()), size.scaled(6)); };
    followTextSize();
    connect(&size, &TextSize::changed, this, followTextSize);
    addTextSizeKeys(this, [&size](int step) { size.resize(step); });
    layout->addWidget(m_editor, 1);

    auto* footer = new QHBoxLayout;
    m_versionsButton = new PlainButton(tr("Earlier versions…"), 12, Palette::muted(), this);
    m_versionsButton->setAccessibleName(m_versionsButton->text());
    connect(m_versionsButton, &QAbstractButton::clicked, this, &EntryReader::openVersions);
    footer->addWidget(m_versionsButton);
    m_save = new FilledButton(tr("Saved"), 12, this);
    m_save->setPadding(18, 8);
    connect(m_save, &QAbstractButton::clicked, this, &EntryReader::saveReader);
    footer->addStretch(1);
    footer->addWidget(m_save);
    // The store keeps a text it could not write and tries again on its own; the sheet says so while it lasts,
    // on a row of its own so that the whole sentence shows.
    layout->addWidget(saveProblemLine(m_store, this), 0, Qt::AlignRight);
    connect(&m_store, &EntryStore::saveFailureChanged, this, [this] {
        render();
        showVersionsButton();
    });
    layout->addLayout(footer);

    // Ctrl+Return saves from anywhere in the sheet (Command-Return on macOS); it does nothing while saved.
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this] {
            if (m_save->isEnabled()) {
                saveReader();
            }
        });
    }
    render();
}

void EntryReader::loadReader()
{
    QString text;
    try {
        text = openEntryText(m_entry.cipherBody(), *m_key);
    } catch (const std::exception&) {
        // Opens empty; saving keeps the unreadable body aside before replacing it.
    }
    m_text = text;
    {
        const QSignalBlocker blocker(m_editor);
        m_editor->setText(text);
    }
    m_dirty = false;
    render();
    showVersionsButton();
}

void EntryReader::showVersionsButton()
{
    // Versions are made by saves, so the first may come with one, or with the store's retry after it.
    m_versionsButton->setVisible(!m_store.versions(m_entry).empty());
}

VersionsSheet* EntryReader::versions() const
{
    return m_versions;
}

void EntryReader::openVersions()
{
    delete m_versions;
    m_versions = new VersionsSheet(m_entry, m_key, m_store, this);
    m_versions->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_versions, &VersionsSheet::restoreRequested, this, &EntryReader::restoreVersion);
    m_versions->open();
}

void EntryReader::restoreVersion(const QString& text)
{
    {
        const QSignalBlocker blocker(m_editor);
        m_editor->setText(text);
    }
    m_text = text;
    saveReader();
    m_editor->setFocus(Qt::OtherFocusReason);
}

void EntryReader::saveReader()
{
    QByteArray body;
    try {
        body = sealEntryText(m_text, *m_key);
    } catch (const std::exception&) {
        return;
    }
    m_store.replaceBody(&m_entry, body, *m_key);
    if (isTodayEntry(m_entry, m_clock.now(), Calendar::current())) {
        m_store.setCreditedWords(&m_entry, countWords(m_text));
    }
    // The text is the store's now, written at once or by its retries; "Saved" waits for the file (`render`).
    static_cast<void>(m_store.save());
    m_dirty = false;
    render();
    showVersionsButton();
}

void EntryReader::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        loadReader();
        m_editor->setFocus(Qt::OtherFocusReason);
    }
}

void EntryReader::onEdited()
{
    const QString text = m_editor->text();
    if (text == m_text) {
        return;
    }
    m_text = text;
    m_dirty = true;
    render();
}

void EntryReader::render()
{
    const bool saved = !m_dirty && !m_store.hasUnsavedChanges();
    m_save->setText(saved ? tr("Saved") : tr("Save"));
    m_save->setColours(saved ? Palette::accent() : Palette::ink(), Palette::paper());
    m_save->setAccessibleName(m_save->text());
    m_save->setEnabled(!saved);
    m_save->updateGeometry();
}

} // namespace wendle
