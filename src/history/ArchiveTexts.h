// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <deque>
#include <memory>
#include <optional>

namespace wendle {

class Entry;
class EntryKey;

/**
 * Entry texts opened for the archive, kept by entry and sealed body so that each body is opened once for as
 * long as it is unchanged: the one-line snippets of the rows painted last, and the folded texts search looks
 * through. Nothing is written anywhere, and every text is overwritten when forgotten.
 */
class ArchiveTexts
{
public:
    /** Snippets kept at most: a few screens' worth, the most recently opened. */
    static constexpr std::size_t keptSnippets = 1000;

    explicit ArchiveTexts(std::shared_ptr<const EntryKey> key);
    ~ArchiveTexts();
    ArchiveTexts(const ArchiveTexts&) = delete;
    ArchiveTexts& operator=(const ArchiveTexts&) = delete;

    /** The entry's whole text with every line feed as one space; empty when its body does not open. */
    QString snippet(const Entry& entry);
    /** The entry's text folded by `foldForSearch`; nothing when its body does not open. */
    std::optional<QByteArray> folded(const Entry& entry);

    /** Overwrites and drops every opened text. */
    void forget();

private:
    struct Opened
    {
        QByteArray body;
        bool readable = false;
        std::optional<QString> snippet;
        std::optional<QByteArray> folded;
    };

    Opened& slot(const Entry& entry);
    std::optional<QString> open(const QByteArray& body) const;

    std::shared_ptr<const EntryKey> m_key;
    QHash<const Entry*, Opened> m_opened;
    std::deque<const Entry*> m_snippetOrder;
};

/**
 * Text as search compares it, in UTF-8: compatibility-decomposed, without combining marks, case-folded, so
 * "Café", "CAFE" and "cafe" fold alike.
 */
QByteArray foldForSearch(QStringView text);

/** The folded words of a query, split at white space; none for a blank query. */
QList<QByteArray> searchWords(const QString& query);

} // namespace wendle
