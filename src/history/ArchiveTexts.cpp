// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/ArchiveTexts.h"

#include "journal/Entry.h"
#include "journal/EntryCrypto.h"
#include "journal/LockedBuffer.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstring>

#include <string_view>

namespace wendle {

namespace {

// Only a text no copy shares is overwritten; a shared one is wiped by whoever holds the last copy.
void wipe(QString& text)
{
    if (!text.isEmpty() && text.isDetached()) {
        explicit_bzero(text.data(), std::size_t(text.size()) * sizeof(QChar));
    }
    text.clear();
}

void wipe(QByteArray& bytes)
{
    if (bytes.isDetached()) {
        wipeBytes(bytes);
    }
    bytes.clear();
}

bool isMark(char32_t c)
{
    const QChar::Category category = QChar::category(c);
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining
        || category == QChar::Mark_Enclosing;
}

} // namespace

ArchiveTexts::ArchiveTexts(std::shared_ptr<const EntryKey> key)
    : m_key(std::move(key))
{
}

ArchiveTexts::~ArchiveTexts()
{
    forget();
}

QString ArchiveTexts::snippet(const Entry& entry)
{
    Opened& opened = slot(entry);
    if (!opened.snippet) {
        std::optional<QString> text = opened.readable ? open(opened.body) : std::nullopt;
        opened.readable = text.has_value();
        opened.snippet = text ? text->replace(u'\n', u' ') : QString();
    }
    return *opened.snippet;
}

std::optional<QByteArray> ArchiveTexts::folded(const Entry& entry)
{
    Opened& opened = slot(entry);
    if (!opened.folded && opened.readable) {
        // A painted row's snippet folds as well as the text: search words never hold line feeds.
        std::optional<QString> text = opened.snippet ? opened.snippet : open(opened.body);
        opened.readable = text.has_value();
        if (text) {
            opened.folded = foldForSearch(*text);
            if (!opened.snippet) {
                wipe(*text);
            }
        }
    }
    return opened.readable ? opened.folded : std::nullopt;
}

bool ArchiveTexts::containsAll(const Entry& entry, const QList<QByteArray>& words)
{
    const std::optional<QByteArray> text = folded(entry);
    if (!text) {
        return false;
    }
    const std::string_view haystack(text->constData(), std::size_t(text->size()));
    for (const QByteArray& word : words) {
        if (haystack.find(std::string_view(word.constData(), std::size_t(word.size()))) == std::string_view::npos) {
            return false;
        }
    }
    return true;
}

void ArchiveTexts::forget()
{
    for (Opened& opened : m_opened) {
        if (opened.snippet) {
            wipe(*opened.snippet);
        }
        if (opened.folded) {
            wipe(*opened.folded);
        }
    }
    m_opened.clear();
}

ArchiveTexts::Opened& ArchiveTexts::slot(const Entry& entry)
{
    const QByteArray body = entry.cipherBody();
    auto found = m_opened.find(&entry);
    if (found == m_opened.end()) {
        return *m_opened.insert(&entry, Opened{body, true, std::nullopt, std::nullopt});
    }
    // The same body is usually the very same bytes, shared with the entry; compare contents only when not.
    const bool same = found->body.constData() == body.constData() || found->body == body;
    if (!same) {
        if (found->snippet) {
            wipe(*found->snippet);
        }
        if (found->folded) {
            wipe(*found->folded);
        }
        *found = Opened{body, true, std::nullopt, std::nullopt};
    }
    return *found;
}

std::optional<QString> ArchiveTexts::open(const QByteArray& body) const
{
    try {
        return openEntryText(body, *m_key);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

QByteArray foldForSearch(QStringView text)
{
    const bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii) {
        QByteArray folded = text.toLatin1();
        for (char& c : folded) {
            if (c >= 'A' && c <= 'Z') {
                c = char(c + ('a' - 'A'));
            }
        }
        return folded;
    }
    const QString decomposed = text.toString().normalized(QString::NormalizationForm_KD);
    QString folded;
    folded.reserve(decomposed.size());
    for (const char32_t c : decomposed.toUcs4()) {
        if (!isMark(c)) {
            folded.append(QChar::fromUcs4(QChar::toCaseFolded(c)));
        }
    }
    return folded.toUtf8();
}

QList<QByteArray> searchWords(const QString& query)
{
    QList<QByteArray> words;
    for (const QString& word : query.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
        QByteArray folded = foldForSearch(word);
        if (!folded.isEmpty()) {
            words << folded;
        }
    }
    return words;
}

} // namespace wendle
