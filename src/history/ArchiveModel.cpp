// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/ArchiveModel.h"

#include "history/ArchiveRow.h"
#include "journal/DateText.h"
#include "journal/Entry.h"
#include "prompts/PromptCategory.h"

#include <QElapsedTimer>

#include <algorithm>
#include <numeric>
#include <string.h>

namespace wendle {

namespace {

/** Whether every text holding all of `now` also holds all of `before`: each earlier word lies inside a new one. */
bool narrows(const QList<QByteArray>& now, const QList<QByteArray>& before)
{
    return std::all_of(before.begin(), before.end(), [&](const QByteArray& old) {
        return std::any_of(now.begin(), now.end(), [&](const QByteArray& word) { return word.contains(old); });
    });
}

} // namespace

ArchiveModel::ArchiveModel(std::shared_ptr<const EntryKey> key, QObject* parent)
    : QAbstractListModel(parent)
    , m_texts(std::move(key))
    , m_calendar(Calendar::current())
{
    m_steps.setInterval(0);
    connect(&m_steps, &QTimer::timeout, this, &ArchiveModel::step);
}

void ArchiveModel::setEntries(std::vector<Entry*> newestFirst)
{
    m_all = std::move(newestFirst);
    m_searchable.assign(m_all.size(), Searchable{});
    m_prepared = 0;
    std::vector<int> everything(m_all.size());
    std::iota(everything.begin(), everything.end(), 0);
    if (isSearching()) {
        search(std::move(everything));
        return;
    }
    m_candidates.clear();
    m_scanned = 0;
    showRows(std::move(everything));
}

void ArchiveModel::setQuery(const QString& query)
{
    const QList<QByteArray> before = m_words;
    m_words = searchWords(query);
    std::vector<int> candidates;
    if (!before.isEmpty() && !m_words.isEmpty() && narrows(m_words, before)) {
        // Typing on narrows the search: only what matched so far, and what was not looked at yet, can match.
        candidates = m_rows;
        candidates.insert(candidates.end(), m_candidates.begin() + qsizetype(m_scanned), m_candidates.end());
    } else {
        candidates.resize(m_all.size());
        std::iota(candidates.begin(), candidates.end(), 0);
    }
    if (!isSearching()) {
        m_candidates.clear();
        m_scanned = 0;
        showRows(std::move(candidates));
        return;
    }
    search(std::move(candidates));
}

void ArchiveModel::search(std::vector<int> candidates)
{
    m_candidates = std::move(candidates);
    m_scanned = 0;
    showRows(scan(firstLookMilliseconds));
    if (!searchComplete()) {
        m_steps.start();
    }
}

void ArchiveModel::showRows(std::vector<int> rows)
{
    if (rows == m_rows) {
        // Same rows: a text may have changed, so what is shown is drawn again.
        if (!m_rows.empty()) {
            Q_EMIT dataChanged(index(0), index(int(m_rows.size()) - 1));
        }
        return;
    }
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

std::vector<int> ArchiveModel::scan(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    std::vector<int> found;
    while (m_scanned < m_candidates.size()) {
        const int place = m_candidates[m_scanned++];
        if (matches(place)) {
            found.push_back(place);
        }
        if ((m_scanned & 63) == 0 && clock.elapsed() >= milliseconds) {
            break;
        }
    }
    return found;
}

bool ArchiveModel::matches(int place)
{
    Searchable& searchable = m_searchable[std::size_t(place)];
    if (!searchable.looked) {
        std::optional<QByteArray> folded = m_texts.folded(*m_all[std::size_t(place)]);
        searchable = {folded.value_or(QByteArray()), true, folded.has_value()};
    }
    if (!searchable.readable) {
        return false;
    }
    const QByteArray& text = searchable.folded;
    return std::all_of(m_words.begin(), m_words.end(), [&](const QByteArray& word) {
        return memmem(text.constData(), std::size_t(text.size()), word.constData(), std::size_t(word.size()))
            != nullptr;
    });
}

Entry* ArchiveModel::entryAt(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_all[std::size_t(m_rows[std::size_t(row)])] : nullptr;
}

void ArchiveModel::prepareSearch()
{
    m_preparing = true;
    m_steps.start();
}

void ArchiveModel::forget()
{
    m_steps.stop();
    m_searchable.assign(m_all.size(), Searchable{});
    m_preparing = false;
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
    case Qt::AccessibleTextRole: {
        const QString snippet = m_texts.snippet(*entry);
        const QString shown = m_rowWidth > 0 ? ArchiveRow::shownSnippet(snippet, m_rowWidth) : snippet;
        const QString heading = tr("%1, %2").arg(data(index, DateRole).toString(), label(categoryOf(*entry)));
        return shown.isEmpty() ? heading : tr("%1: %2").arg(heading, shown);
    }
    default:
        return {};
    }
}

void ArchiveModel::step()
{
    if (isSearching() && !searchComplete()) {
        const std::vector<int> found = scan(stepMilliseconds);
        if (!found.empty()) {
            beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + found.size()) - 1);
            m_rows.insert(m_rows.end(), found.begin(), found.end());
            endInsertRows();
        }
        Q_EMIT searchProgressed();
        return;
    }
    if (m_preparing && m_prepared < m_all.size()) {
        QElapsedTimer clock;
        clock.start();
        while (m_prepared < m_all.size() && clock.elapsed() < stepMilliseconds) {
            matches(int(m_prepared++));
        }
        return;
    }
    m_steps.stop();
}

} // namespace wendle
