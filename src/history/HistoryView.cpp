// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/HistoryView.h"

#include "history/ArchiveList.h"
#include "history/ArchiveModel.h"
#include "history/EntryReader.h"
#include "history/HeatmapView.h"
#include "history/Statistics.h"
#include "history/StreakLine.h"
#include "journal/Clock.h"
#include "journal/DayKey.h"
#include "journal/EntryStore.h"
#include "journal/WrittenDays.h"
#include "ui/Divider.h"
#include "ui/EnglishPluralForms.h"
#include "ui/Palette.h"
#include "ui/PlainButton.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QVBoxLayout>

namespace wendle {

namespace {

/** A label under a gap of `above`, in a widget of its own so both show and hide together. */
QWidget* noteBelow(int above, const QString& text, QWidget* parent)
{
    auto* note = new QWidget(parent);
    auto* layout = new QVBoxLayout(note);
    layout->setContentsMargins(0, above, 0, 0);
    layout->addWidget(textLabel(text, 13, Palette::faint(), note));
    return note;
}

} // namespace

HistoryView::HistoryView(EntryStore& store, std::shared_ptr<const EntryKey> key, std::function<void()> back,
                         const Clock& clock, QWidget* parent)
    : QWidget(parent)
    , m_key(key)
    , m_onBack(std::move(back))
    , m_store(store)
    , m_clock(clock)
    , m_model(new ArchiveModel(std::move(key), this))
{
    Palette::usePaperBackground(this);
    setMinimumSize(680, 560);
    buildLayout();
    // Changes come in bursts (a body, then its words): the screen is worked out once they have all arrived.
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(0);
    connect(&m_refresh, &QTimer::timeout, this, &HistoryView::refresh);
    connect(&m_store, &EntryStore::changed, &m_refresh, qOverload<>(&QTimer::start));
    refresh();
}

HistoryView::~HistoryView()
{
    delete m_reader;
    m_model->forget();
}

void HistoryView::buildLayout()
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(56, 44, 56, 36);
    column->setSpacing(0);

    auto* header = new QHBoxLayout;
    m_back = new PlainButton(tr("← today"), 12, Palette::muted(), this);
    m_back->setAccessibleName(tr("back to today"));
    connect(m_back, &QAbstractButton::clicked, this, [this] {
        if (m_onBack) {
            m_onBack();
        }
    });
    m_count = textLabel(QString(), 12, Palette::muted(), this);
    header->addWidget(m_back);
    header->addStretch(1);
    header->addWidget(m_count);
    column->addLayout(header);

    column->addSpacing(30);
    m_streak = new StreakLine(this);
    column->addWidget(m_streak, 0, Qt::AlignLeft);
    column->addSpacing(22);
    m_heatmap = new HeatmapView(m_clock, this);
    column->addWidget(m_heatmap, 0, Qt::AlignLeft);
    column->addSpacing(6);
    column->addWidget(textLabel(tr("less → more · last 26 weeks"), 11, Palette::faint(), this));
    column->addSpacing(26);
    column->addWidget(new Divider(this));

    m_searchBar = new QWidget(this);
    auto* search = new QVBoxLayout(m_searchBar);
    search->setContentsMargins(0, 12, 0, 0);
    search->setSpacing(8);
    m_searchField = new QLineEdit(m_searchBar);
    m_searchField->setFont(Typography::font(12));
    m_searchField->setFrame(false);
    // The field's own inner margin would set its text off the column's edge.
    m_searchField->setTextMargins(-2, 0, 0, 0);
    m_searchField->setPlaceholderText(tr("search entries"));
    m_searchField->setAccessibleName(tr("search entries"));
    QPalette fieldPalette = m_searchField->palette();
    fieldPalette.setColor(QPalette::Base, Palette::paper());
    fieldPalette.setColor(QPalette::Text, Palette::ink());
    fieldPalette.setColor(QPalette::PlaceholderText, Palette::faint());
    m_searchField->setPalette(fieldPalette);
    m_searchField->installEventFilter(this);
    connect(m_searchField, &QLineEdit::textChanged, this, [this](const QString& query) {
        m_model->setQuery(query);
        renderArchive();
    });
    search->addWidget(m_searchField);
    search->addWidget(new Divider(m_searchBar));
    m_searchBar->hide();
    column->addWidget(m_searchBar);

    m_archive = new ArchiveList(m_model, this);
    connect(m_archive, &ArchiveList::openRequested, this, &HistoryView::openReader);
    connect(m_model, &ArchiveModel::searchProgressed, this, &HistoryView::renderArchive);
    column->addWidget(m_archive);
    m_emptyNote = noteBelow(24, tr("Entries you write will gather here."), this);
    column->addWidget(m_emptyNote);
    m_noMatches = noteBelow(24, tr("No entry holds all of these words."), this);
    column->addWidget(m_noMatches);
    column->addStretch(1);

    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, &HistoryView::showSearch);
}

void HistoryView::refresh()
{
    m_refresh.stop();
    const Calendar calendar = Calendar::current();
    m_entries = m_store.entriesNewestFirst();
    const QSet<QString> written = completedDayKeys(m_entries);
    const QString today = journalDayKey(m_clock.now(), calendar);
    m_figures = {currentStreak(written, today, calendar), bestStreak(written, calendar),
                 daysWrittenThisWeek(written, today, calendar)};
    m_streak->setFigures(m_figures.currentStreak, m_figures.bestStreak, m_figures.daysThisWeek);
    m_heatmap->setWordsByDay(wordsByDay(m_entries));
    m_model->setEntries(m_entries);
    renderArchive();
}

void HistoryView::renderArchive()
{
    m_count->setText(countText());
    const bool empty = m_entries.empty();
    m_archive->setVisible(m_model->rowCount() > 0);
    m_emptyNote->setVisible(empty);
    m_noMatches->setVisible(!empty && m_model->rowCount() == 0 && m_model->searchComplete());
}

QString HistoryView::countText() const
{
    const qint64 total = qint64(m_entries.size());
    if (m_model->isSearching()) {
        //: %1 is the number of entries found, %n the number in the journal.
        return tr("%1 of %n entries", nullptr, pluralCount(total)).arg(m_model->rowCount());
    }
    return tr("%n entries", nullptr, pluralCount(total));
}

QString HistoryView::streakText() const
{
    return m_streak->number() + u' ' + m_streak->caption();
}

bool HistoryView::showsEmptyNote() const
{
    return m_emptyNote->isVisibleTo(this);
}

void HistoryView::openReader(Entry* entry)
{
    if (!entry) {
        return;
    }
    delete m_reader;
    m_reading = entry;
    m_reader = new EntryReader(*entry, m_key, m_store, m_clock, this);
    m_reader->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_reader, &QDialog::finished, this, [this] { m_reading = nullptr; });
    m_reader->open();
}

void HistoryView::showSearch()
{
    m_searchBar->show();
    m_searchField->setFocus(Qt::ShortcutFocusReason);
    m_searchField->selectAll();
    m_model->prepareSearch();
}

void HistoryView::hideSearch()
{
    m_searchField->clear();
    m_searchBar->hide();
    m_archive->setFocus(Qt::OtherFocusReason);
}

bool HistoryView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_searchField && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        hideSearch();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace wendle
