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
 * every word of it. A row's text is opened when the row is first asked for (that is, painted), never before.
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

    /** How many entries one step of `prepareSearch` folds before letting the screen breathe. */
    static constexpr int preparedPerStep = 500;

    explicit ArchiveModel(std::shared_ptr<const EntryKey> key, QObject* parent = nullptr);

    /** Every entry, newest first; kept as the rows unless a search narrows them. */
    void setEntries(std::vector<Entry*> newestFirst);
    /** Narrows the rows to the entries containing every word of `query`; a blank query shows all. */
    void setQuery(const QString& query);
    QString query() const { return m_query; }
    bool isSearching() const { return !m_words.isEmpty(); }
    int totalCount() const { return int(m_all.size()); }
    Entry* entryAt(int row) const;

    /** Starts folding every entry's text for search, a step at a time on this thread, so the first query is quick. */
    void prepareSearch();
    /** Overwrites and drops every opened text. */
    void forget();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    std::vector<Entry*> matching() const;
    void setRows(std::vector<Entry*> rows);
    void prepareStep();

    mutable ArchiveTexts m_texts;
    std::vector<Entry*> m_all;
    std::vector<Entry*> m_rows;
    QString m_query;
    QList<QByteArray> m_words;
    Calendar m_calendar;
    mutable QHash<const Entry*, QString> m_dates;
    QTimer m_preparing;
    std::size_t m_prepared = 0;
};

} // namespace wendle
