// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a sealed body: opening either gives text or throws, never crashes, never reads out of bounds.
#include "journal/EntryCrypto.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::shared_ptr<const wendle::EntryKey> key = wendle::EntryKey::random();
    try {
        wendle::openEntryText(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), *key);
    } catch (const std::exception&) {
    }
    return 0;
}
