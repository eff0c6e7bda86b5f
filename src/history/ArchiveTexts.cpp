// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/ArchiveTexts.h"

#include "journal/Entry.h"
#include "journal/EntryCrypto.h"
#include "journal/LockedBuffer.h"

#include <QRegularExpression>

#include <cstring>
#include <string.h>
#include <vector>

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

QByteArray foldCharacter(char32_t c)
{
    // Each character decomposes on its own: the marks that decomposition or the text itself adds are dropped.
    const auto units = QChar::fromUcs4(c);
    const QString decomposed = QStringView(units).toString().normalized(QString::NormalizationForm_KD);
    QString folded;
    for (const char32_t part : decomposed.toUcs4()) {
        if (!isMark(part)) {
            folded.append(QChar::fromUcs4(QChar::toCaseFolded(part)));
        }
    }
    return folded.toUtf8();
}

// The Latin letters beyond ASCII, folded once: most non-ASCII text in a journal is among them.
constexpr char32_t kTableEnd = 0x250;

const std::vector<QByteArray>& latinTable()
{
    static const std::vector<QByteArray> table = [] {
        std::vector<QByteArray> folded;
        for (char32_t c = 0x80; c < kTableEnd; ++c) {
            folded.push_back(foldCharacter(c));
        }
        return folded;
    }();
    return table;
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
        m_snippetOrder.push_back(&entry);
        if (m_snippetOrder.size() > keptSnippets) {
            const auto oldest = m_opened.find(m_snippetOrder.front());
            m_snippetOrder.pop_front();
            if (oldest != m_opened.end() && oldest->snippet && &*oldest != &opened) {
                wipe(*oldest->snippet);
                oldest->snippet.reset();
            }
        }
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
    m_snippetOrder.clear();
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
    // Written in place: most of a journal is ASCII, one byte for one character.
    const qsizetype length = text.size();
    QByteArray folded(length, Qt::Uninitialized);
    char* out = folded.data();
    qsizetype written = 0;
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t unit = text[i].unicode();
        if (unit < 0x80) {
            out[written++] = char(unit >= 'A' && unit <= 'Z' ? unit + ('a' - 'A') : unit);
            continue;
        }
        char32_t c = unit;
        if (QChar::isHighSurrogate(unit) && i + 1 < length && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(unit, text[i + 1].unicode());
            ++i;
        }
        const QByteArray character = c < kTableEnd ? latinTable()[c - 0x80] : foldCharacter(c);
        if (written + character.size() + (length - i) > folded.size()) {
            folded.resize(2 * (written + character.size() + (length - i)));
            out = folded.data();
        }
        std::memcpy(out + written, character.constData(), std::size_t(character.size()));
        written += character.size();
    }
    folded.truncate(written);
    return folded;
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
