// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <sqlite3.h>

namespace wendle {

/** The text in `column` of the statement's current row; empty for NULL. */
inline QString columnText(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(statement, column)) : QString();
}

/** The bytes in `column` of the statement's current row; empty for NULL. */
inline QByteArray columnBlob(sqlite3_stmt* statement, int column)
{
    const void* blob = sqlite3_column_blob(statement, column);
    return blob ? QByteArray(static_cast<const char*>(blob), sqlite3_column_bytes(statement, column)) : QByteArray();
}

} // namespace wendle
