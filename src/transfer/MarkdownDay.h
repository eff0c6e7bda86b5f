// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace wendle {

/**
 * Wendle's Markdown day file, as an export writes it and an import reads it back:
 *
 *     # 2024-03-10
 *
 *     ## 07:05 · memory · What did you see first?
 *     <!-- wendle entry 2024-03-10T07:05:00.000+01:00 memory memory-001 0f1e2d3c4b5a69788796a5b4c3d2e1f0 -->
 *
 *     The entry's text, exactly as written.
 *
 * The title is the day's ISO 8601 (Gregorian) date. Each entry's heading is for people; the one-line comment
 * under it, which Markdown viewers do not show, carries what an import needs to bring the entry back whole:
 * the moment it was first saved, its category, its prompt id, its global id when it has one (files written before
 * entries had one lack it) and "unreadable" when its text could not be opened for the export.
 */
struct MarkdownDayEntry
{
    QDateTime date;
    QString categoryRaw;
    QString promptID;
    bool unreadable = false;
    QString text;
    /** Empty when the comment has none, or one that is not an id's 32 lowercase hexadecimal digits. */
    QByteArray globalId = {};
};

/** The day file's title line, without its line feed. */
QString markdownDayTitle(const QString& isoDate);

/** One entry's section: heading, comment, text. `isoDate` carries the offset the file is written in. */
QString markdownDaySection(const QString& heading, const QString& isoDate, const MarkdownDayEntry& entry);

/** A day file Wendle wrote: its ISO date and its entries. */
struct MarkdownDay
{
    QString isoDate;
    std::vector<MarkdownDayEntry> entries;
};

/** Reads a file as Wendle's day file; nothing when it is not one (any other Markdown is free writing). */
std::optional<MarkdownDay> parseMarkdownDay(const QString& contents);

} // namespace wendle
