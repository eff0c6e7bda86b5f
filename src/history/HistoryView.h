// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/EntryReader.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QLineEdit;

namespace wendle {

class ArchiveList;
class ArchiveModel;
class Clock;
class Entry;
class EntryKey;
class EntryStore;
class HeatmapView;
class PlainButton;
class StreakLine;

/**
 * The history: the way back to the Today screen and the number of entries, the streak line, the 26-week
 * heatmap and the archive of every entry, newest first, whose rows open `EntryReader`. Everything is worked
 * out again from the store whenever it changes. Ctrl+F shows a search field over the archive; Escape clears
 * and hides it.
 */
class HistoryView : public QWidget
{
    Q_OBJECT

public:
    /** The streak row's numbers. */
    struct Figures
    {
        qint64 currentStreak = 0;
        qint64 bestStreak = 0;
        int daysThisWeek = 0;
    };

    HistoryView(EntryStore& store, std::shared_ptr<const EntryKey> key, std::function<void()> back, const Clock& clock,
                QWidget* parent = nullptr);
    ~HistoryView() override;

    /** Works out the figures, the heatmap and the archive again from the store. */
    void refresh();
    /** Shows the reader on `entry`. */
    void openReader(Entry* entry);
    void showSearch();
    /** Clears the search and hides its field. */
    void hideSearch();

    Entry* reading() const { return m_reading; }
    EntryReader* reader() const { return m_reader; }
    Figures figures() const { return m_figures; }
    QString countText() const;
    QString streakText() const;
    HeatmapView* heatmap() const { return m_heatmap; }
    ArchiveList* archive() const { return m_archive; }
    ArchiveModel* archiveModel() const { return m_model; }
    QLineEdit* searchField() const { return m_searchField; }
    /** Whether the note "Entries you write will gather here." is shown. */
    bool showsEmptyNote() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void renderArchive();

    // The screen's state.
    std::shared_ptr<const EntryKey> m_key;
    std::function<void()> m_onBack;
    std::vector<Entry*> m_entries;
    Entry* m_reading = nullptr;

    EntryStore& m_store;
    const Clock& m_clock;
    Figures m_figures;
    QTimer m_refresh;
    ArchiveModel* m_model = nullptr;
    PlainButton* m_back = nullptr;
    QLabel* m_count = nullptr;
    StreakLine* m_streak = nullptr;
    HeatmapView* m_heatmap = nullptr;
    QWidget* m_searchBar = nullptr;
    QLineEdit* m_searchField = nullptr;
    ArchiveList* m_archive = nullptr;
    QWidget* m_emptyNote = nullptr;
    QWidget* m_noMatches = nullptr;
    QPointer<EntryReader> m_reader;
};

} // namespace wendle
