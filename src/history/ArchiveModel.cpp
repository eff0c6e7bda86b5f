// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/ArchiveModel.h"

#include "journal/DateText.h"
#include "journal/Entry.h"
#include "prompts/PromptCategory.h"

namespace wendle {

ArchiveModel::ArchiveModel(std::shared_ptr<const EntryKey> key, QObject* parent)
    : QAbstractListModel(parent)
    , m_texts(std::move(key))
    , m_calendar(Calendar::current())
{
    m_preparing.setInterval(0);
    connect(&m_preparing, &QTimer::timeout, this, &ArchiveModel::prepareStep);
}

void ArchiveModel::setEntries(std::vector<Entry*> newestFirst)
{
    m_all = std::move(newestFirst);
    m_prepared = 0;
    setRows(matching());
}

void ArchiveModel::setQuery(const QString& query)
{
    m_query = query;
    m_words = searchWords(query);
    setRows(matching());
}

Entry* ArchiveModel::entryAt(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[std::size_t(row)] : nullptr;
}

void ArchiveModel::prepareSearch()
{
    if (m_prepared < m_all.size()) {
        m_preparing.start();
    }
}

void ArchiveModel::forget()
{
    m_preparing.stop();
    m_prepared = 0;
    m_texts.forget();
}

int ArchiveModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant ArchiveModel::data(const QModelIndex& index, int role) const
{
    const Entry* entry = entryAt(index.row());
    if (!entry || index.parent().isValid()) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return m_texts.snippet(*entry);
    case DateRole: {
        auto found = m_dates.find(entry);
        if (found == m_dates.end()) {
            found = m_dates.insert(entry, formatDate(entry->date(), QStringLiteral("EEEMMMd"), m_calendar));
        }
        return *found;
    }
    case CategoryRole:
        return label(categoryOf(*entry));
    case Qt::AccessibleTextRole:
        return data(index, DateRole).toString() + QStringLiteral(", ") + label(categoryOf(*entry));
    default:
        return {};
    }
}

std::vector<Entry*> ArchiveModel::matching() const
{
    if (m_words.isEmpty()) {
        return m_all;
    }
    std::vector<Entry*> rows;
    for (Entry* entry : m_all) {
        if (m_texts.containsAll(*entry, m_words)) {
            rows.push_back(entry);
        }
    }
    return rows;
}

void ArchiveModel::setRows(std::vector<Entry*> rows)
{
    if (rows == m_rows) {
        // Same rows: a text or a count may have changed, so what is shown is drawn again.
        if (!m_rows.empty()) {
            Q_EMIT dataChanged(index(0), index(int(m_rows.size()) - 1));
        }
        return;
    }
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void ArchiveModel::prepareStep()
{
    const std::size_t end = std::min(m_all.size(), m_prepared + preparedPerStep);
    for (; m_prepared < end; ++m_prepared) {
        m_texts.folded(*m_all[m_prepared]);
    }
    if (m_prepared >= m_all.size()) {
        m_preparing.stop();
    }
}

} // namespace wendle
