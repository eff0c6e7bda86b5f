// SPDX-License-Identifier: GPL-3.0-or-later
// Any document as the update feed: a release offered is complete, and a broken feed offers none.
#include "updates/UpdateFeed.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray document
        = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const wendle::UpdateFeed::Parsed parsed = wendle::UpdateFeed::parse(document);
    if (parsed.newest
        && (!parsed.problem.isEmpty() || parsed.newest->version.isEmpty() || parsed.newest->shortVersion.isEmpty()
            || !parsed.newest->url.isValid())) {
        std::abort();
    }
    return 0;
}
