// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/HttpsClient.h"

#include "journal/RuntimeLibrary.h"

#include <QCoreApplication>
#include <QFile>

namespace wendle {

std::unique_ptr<HttpsClient> loadHttpsClient(QString* failure)
{
    // Beside the program, never from a search path: bin/wendle finds lib/wendle/ in the build and under /usr.
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/wendle/libwendle-https.so");
    RuntimeLibrary module(QFile::encodeName(path).constData());
    HttpsClient* (*create)() = nullptr;
    if (!module.resolve(httpsClientFactory, create)) {
        *failure = module.failure();
        return nullptr;
    }
    return std::unique_ptr<HttpsClient>(create());
}

} // namespace wendle
