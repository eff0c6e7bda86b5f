// SPDX-License-Identifier: GPL-3.0-or-later
// Any text as a recovery code: a code that parses gives 32 bytes whose own code parses back to them.
#include "journal/RecoveryCode.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const std::optional<QByteArray> key = wendle::parseRecoveryCode(text)) {
        if (key->size() != 32 || wendle::parseRecoveryCode(wendle::formatRecoveryCode(*key)) != key) {
            std::abort();
        }
    }
    return 0;
}
