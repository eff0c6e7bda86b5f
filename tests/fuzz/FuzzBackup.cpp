// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a backup file, and as the payload inside one: read or refused with a reason, never a crash. Fixed
// derived bytes stand in for scrypt, which would cost most of a second per input; the seed "fixed-key" is sealed
// under them, so its mutations reach the cipher and the payload reader.
#include "journal/LockedBuffer.h"
#include "journal/SyncId.h"
#include "transfer/BackupFile.h"

#include <cstdlib>

namespace {

const wendle::LockedBuffer& fixedDerived()
{
    static wendle::LockedBuffer derived(wendle::backupDerivedLength);
    for (std::size_t i = 0; i < derived.size(); ++i) {
        derived.data()[i] = static_cast<unsigned char>(i);
    }
    return derived;
}

void checkContents(const wendle::BackupContents& contents)
{
    // A global id from the file is taken whole or not at all.
    for (const wendle::BackupRecord& backedUp : contents.entries) {
        if (!backedUp.record.globalId.isEmpty() && !wendle::SyncId::isValid(backedUp.record.globalId)) {
            std::abort();
        }
    }
    for (const wendle::BackupDisplacedBody& body : contents.displaced) {
        if (body.entryIndex < 0 || body.entryIndex >= static_cast<int>(contents.entries.size())) {
            std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const wendle::LockedBuffer& derived = fixedDerived();
    // Raw data, not a copy, so a read past the input's end is caught.
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const wendle::BackupHeaderResult read = wendle::readBackupHeader(bytes); read.header) {
        if (const wendle::BackupReadResult opened = wendle::openBackup(bytes, *read.header, derived); opened.contents) {
            checkContents(*opened.contents);
        }
    }
    if (const std::optional<wendle::BackupContents> contents = wendle::backupContentsFromPayload(bytes)) {
        checkContents(*contents);
    }
    return 0;
}
