// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <QString>

#include <sqlite3.h>

namespace wendle::test {

/**
 * Runs `sql` on the database file at `path`, as another program would; true when every statement succeeded.
 * With `keepLog` the commits stay in the write-ahead log, as with a program that is still running or was killed.
 */
inline bool runSql(const QString& path, const QByteArray& sql, bool keepLog = false)
{
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, keepLog ? 1 : 0, nullptr);
    const int status = sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return status == SQLITE_OK;
}

/** The first column of the first row `sql` yields, read without writing anything; empty when there is none. */
inline QByteArray querySql(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    QByteArray result;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW) {
        result = QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, 0)),
                            sqlite3_column_bytes(statement, 0));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return result;
}

} // namespace wendle::test
