// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/MarkdownDay.h"

#include "journal/SyncId.h"

#include <QRegularExpression>

namespace wendle {

namespace {

const QString commentStart = QStringLiteral("<!-- wendle entry ");
const QString commentEnd = QStringLiteral(" -->");
const QString unreadableWord = QStringLiteral("unreadable");

// A section starts with its heading line and the comment line under it; text alone never looks like that.
const QRegularExpression& sectionStart()
{
    static const QRegularExpression pattern(QStringLiteral("\n## [^\n]*\n<!-- wendle entry ([^\n]*) -->\n\n"));
    return pattern;
}

// DATE CATEGORY PROMPT-ID, then the global id when the entry had one, then "unreadable" when its text did not open.
std::optional<MarkdownDayEntry> entryOfComment(const QString& fields)
{
    QStringList words = fields.split(u' ');
    const bool unreadable = words.size() > 3 && words.last() == unreadableWord;
    if (unreadable) {
        words.removeLast();
    }
    if (words.size() < 3 || words.size() > 4) {
        return std::nullopt;
    }
    const QDateTime date = QDateTime::fromString(words[0], Qt::ISODateWithMs);
    if (!date.isValid()) {
        return std::nullopt;
    }
    // An id that is not well formed is only left out: the entry itself is still Wendle's.
    QByteArray globalId = words.size() == 4 ? SyncId::fromHex(words[3]).value_or(QByteArray()) : QByteArray();
    return MarkdownDayEntry{date.toUTC(), words[1], words[2], unreadable, {}, std::move(globalId)};
}

} // namespace

QString markdownDayTitle(const QString& isoDate)
{
    return QStringLiteral("# ") + isoDate;
}

QString markdownDaySection(const QString& heading, const QString& isoDate, const MarkdownDayEntry& entry)
{
    QString comment = commentStart + isoDate + u' ' + entry.categoryRaw + u' ' + entry.promptID;
    if (SyncId::isValid(entry.globalId)) {
        comment += u' ' + SyncId::toHex(entry.globalId);
    }
    if (entry.unreadable) {
        comment += u' ' + unreadableWord;
    }
    return QStringLiteral("\n## ") + heading + u'\n' + comment + commentEnd + QStringLiteral("\n\n") + entry.text
        + u'\n';
}

std::optional<MarkdownDay> parseMarkdownDay(const QString& contents)
{
    static const QRegularExpression title(QStringLiteral("^# (\\d{4}-\\d{2}-\\d{2})\n"));
    const QRegularExpressionMatch titleMatch = title.match(contents);
    if (!titleMatch.hasMatch()) {
        return std::nullopt;
    }
    MarkdownDay day{titleMatch.captured(1), {}};
    QRegularExpressionMatch section = sectionStart().match(contents, titleMatch.capturedEnd());
    if (!section.hasMatch() || section.capturedStart() != titleMatch.capturedEnd()) {
        return std::nullopt;
    }
    while (section.hasMatch()) {
        std::optional<MarkdownDayEntry> entry = entryOfComment(section.captured(1));
        if (!entry) {
            return std::nullopt;
        }
        const qsizetype textStart = section.capturedEnd();
        section = sectionStart().match(contents, textStart);
        const qsizetype textEnd = section.hasMatch() ? section.capturedStart() : contents.size();
        // Every section ends with the line feed written after its text.
        if (textEnd == textStart || contents.at(textEnd - 1) != u'\n') {
            return std::nullopt;
        }
        entry->text = contents.mid(textStart, textEnd - textStart - 1);
        day.entries.push_back(std::move(*entry));
    }
    return day;
}

} // namespace wendle
