// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace wendle {

/**
 * The entry key written out for people: its 32 bytes and their CRC-16/CCITT-FALSE (big-endian) as Crockford
 * base32, upper case, in hyphen-separated groups of four (55 characters). The checksum catches every single
 * mistyped character and every swap of two neighbours.
 */
QString formatRecoveryCode(const QByteArray& key32);

/**
 * The key a typed code stands for. Case, spaces and hyphens do not matter, and Crockford's look-alikes
 * (I and L for 1, O for 0) are accepted. None when the length, a character, the padding bits or the
 * checksum is wrong.
 */
[[nodiscard]] std::optional<QByteArray> parseRecoveryCode(const QString& text);

/** The code's characters without separators, upper case and with look-alikes mapped, as the parser reads them. */
QString normalizedRecoveryCode(const QString& text);

/** How many characters a complete code has, separators aside. */
inline constexpr int recoveryCodeLength = 55;

} // namespace wendle
