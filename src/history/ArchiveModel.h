// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/ArchiveTexts.h"
#include "journal/Calendar.h"

#include <QAbstractListModel>
#include <QHash>
#include <QTimer>

#include <memory>
#include <vector>

namespace wendle {

class Entry;

/**
 * The archive's rows: every entry, newest first, or while a search is set only those whose text contains
 * every word of it. A row's text is opened when the row is first asked for (that is, painted, or read by a
 * screen reader, which hears date, category and the snippet as shown), never before.
 *
 * A search looks through the entries newest first for a few milliseconds and shows what it found; the rest
 * follows in short steps on this thread, each appending its matches, until `searchComplete()`.
 */
class ArchiveModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role
    {
        /** Abbreviated weekday, month and day, in the user's locale. */
        DateRole = Qt::UserRole + 1,
        /** The label of the entry's category. */
        CategoryRole
    };

    /** How long the search looks before the screen is drawn, and how long each later step takes. */
    static constexpr int firstLookMilliseconds = 20;
    static constexpr int stepMilliseconds = 8;

    explicit ArchiveModel(std::shared_ptr<const EntryKey> key, QObject* parent = nullptr);

    /** Every entry, newest first; kept as the rows unless a search narrows them. */
    void setEntries(std::vector<Entry*> newestFirst);
    /** Narrows the rows to the entries containing every word of `query`; a blank query shows all. */
    void setQuery(const QString& query);
    bool isSearching() const { return !m_words.isEmpty(); }
    /** Whether every entry has been looked through for the current search. */
    bool searchComplete() const { return m_scanned >= m_candidates.size(); }
    Entry* entryAt(int row) const;

    /** Starts folding every entry's text for search, a step at a time on this thread, so queries are quick. */
    void prepareSearch();
    /** Whether every entry's text is folded for search. */
    bool searchPrepared() const { return m_prepared >= m_all.size(); }
    /** Overwrites and drops every opened text. */
    void forget();
    /** How wide the rows are drawn: a row's accessible text cuts its snippet where the row does. */
    void setRowWidth(int width) { m_rowWidth = width; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    /** A search step added rows or finished. */
    void searchProgressed();

private:
    /** An entry's folded text as search last saw it, kept beside the entry's place in `m_all`. */
    struct Searchable
    {
        QByteArray folded;
        bool looked = false;
        bool readable = false;
    };

    /** Searches the entries at `candidates` afresh: the rows are what the first look finds. */
    void search(std::vector<int> candidates);
    /** Looks through candidates for at most `milliseconds`; returns the places of the matches found. */
    std::vector<int> scan(int milliseconds);
    bool matches(int place);
    void showRows(std::vector<int> rows);
    void step();

    // Declared first so it goes last: the texts it overwrites are no longer shared by then.
    mutable ArchiveTexts m_texts;
    std::vector<Entry*> m_all;
    std::vector<Searchable> m_searchable;
    /** Rows as places in `m_all`. */
    std::vector<int> m_rows;
    std::vector<int> m_candidates;
    std::size_t m_scanned = 0;
    QList<QByteArray> m_words;
    Calendar m_calendar;
    mutable QHash<const Entry*, QString> m_dates;
    QTimer m_steps;
    int m_rowWidth = 0;
    bool m_preparing = false;
    std::size_t m_prepared = 0;
};

} // namespace wendle
