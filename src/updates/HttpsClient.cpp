// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/HttpsClient.h"

#include "journal/RuntimeLibrary.h"

namespace wendle {

std::unique_ptr<HttpsClient> loadHttpsClient(QString* failure)
{
    RuntimeLibrary module = RuntimeLibrary::ownModule("https");
    HttpsClient* (*create)() = nullptr;
    if (!module.resolve(httpsClientFactory, create)) {
        *failure = module.failure();
        return nullptr;
    }
    return std::unique_ptr<HttpsClient>(create());
}

} // namespace wendle
