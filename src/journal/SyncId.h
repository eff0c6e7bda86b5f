// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace wendle::SyncId {

/**
 * The 128-bit ids that name things the same way on every computer: an entry's global id and a device's id.
 * In memory, in the journal and in sealed records an id is its 16 bytes; in a file or folder name it is written
 * as 32 lowercase hexadecimal digits.
 */
inline constexpr int length = 16;

/** A fresh id from the system's cryptographic random source. */
QByteArray random();

/** Whether `id` has the length of an id. */
inline bool isValid(const QByteArray& id)
{
    return id.size() == length;
}

/** The 32 lowercase hexadecimal digits of `id`. */
QString toHex(const QByteArray& id);

/** The id written as `hex`; nothing unless it is exactly 32 lowercase hexadecimal digits. */
std::optional<QByteArray> fromHex(QStringView hex);

} // namespace wendle::SyncId
