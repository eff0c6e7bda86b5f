// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/RecoveryCode.h"

#include "journal/LockedBuffer.h"

#include <cstring>

namespace wendle {

namespace {

constexpr char kAlphabet[] = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";
constexpr int kKeyBytes = 32;
constexpr int kGroup = 4;

quint16 crc16CcittFalse(const QByteArray& bytes)
{
    quint16 crc = 0xFFFF;
    for (const char byte : bytes) {
        crc ^= static_cast<quint16>(static_cast<quint8>(byte) << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) ? static_cast<quint16>((crc << 1) ^ 0x1021) : static_cast<quint16>(crc << 1);
        }
    }
    return crc;
}

} // namespace

QString formatRecoveryCode(const QByteArray& key32)
{
    if (key32.size() != kKeyBytes) {
        return {};
    }
    QByteArray payload = key32;
    const quint16 crc = crc16CcittFalse(key32);
    payload.append(static_cast<char>(crc >> 8));
    payload.append(static_cast<char>(crc & 0xFF));

    QString code;
    code.reserve(recoveryCodeLength + recoveryCodeLength / kGroup);
    quint32 buffer = 0;
    int bits = 0;
    int written = 0;
    auto emitChar = [&](int value) {
        if (written > 0 && written % kGroup == 0) {
            code += u'-';
        }
        code += QLatin1Char(kAlphabet[value]);
        ++written;
    };
    for (const char byte : payload) {
        buffer = (buffer << 8) | static_cast<quint8>(byte);
        bits += 8;
        while (bits >= 5) {
            bits -= 5;
            emitChar(static_cast<int>((buffer >> bits) & 0x1F));
        }
    }
    if (bits > 0) {
        emitChar(static_cast<int>((buffer << (5 - bits)) & 0x1F));
    }
    buffer = 0;
    wipeBytes(payload);
    return code;
}

QString normalizedRecoveryCode(const QString& text)
{
    QString normalized;
    normalized.reserve(text.size());
    for (const QChar c : text) {
        if (c.isSpace() || c == u'-') {
            continue;
        }
        const QChar upper = c.toUpper();
        if (upper == u'I' || upper == u'L') {
            normalized += u'1';
        } else if (upper == u'O') {
            normalized += u'0';
        } else {
            normalized += upper;
        }
    }
    return normalized;
}

std::optional<QByteArray> parseRecoveryCode(const QString& text)
{
    const QString code = normalizedRecoveryCode(text);
    if (code.size() != recoveryCodeLength) {
        return std::nullopt;
    }
    QByteArray payload;
    payload.reserve(kKeyBytes + 2);
    quint32 buffer = 0;
    int bits = 0;
    for (const QChar c : code) {
        const char* found = c.unicode() < 128 ? std::strchr(kAlphabet, static_cast<char>(c.unicode())) : nullptr;
        if (!found || *found == '\0') {
            wipeBytes(payload);
            return std::nullopt;
        }
        buffer = (buffer << 5) | static_cast<quint32>(found - kAlphabet);
        bits += 5;
        if (bits >= 8) {
            bits -= 8;
            payload.append(static_cast<char>((buffer >> bits) & 0xFF));
        }
    }
    // What is left over is padding, and padding is zero in every code this program writes.
    const bool paddingClear = (buffer & ((1u << bits) - 1)) == 0;
    buffer = 0;
    if (!paddingClear || payload.size() != kKeyBytes + 2) {
        wipeBytes(payload);
        return std::nullopt;
    }
    QByteArray key = payload.left(kKeyBytes);
    const quint16 stored = static_cast<quint16>((static_cast<quint8>(payload[kKeyBytes]) << 8)
                                                | static_cast<quint8>(payload[kKeyBytes + 1]));
    wipeBytes(payload);
    if (crc16CcittFalse(key) != stored) {
        wipeBytes(key);
        return std::nullopt;
    }
    return key;
}

} // namespace wendle
