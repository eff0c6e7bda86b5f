// SPDX-License-Identifier: GPL-3.0-or-later
// Any file as the prompt bank: all or nothing, and a bank that is refused always says why.
#include "prompts/PromptEngine.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("prompts.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::abort();
    }
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.close();
    const wendle::PromptEngine::Bank bank = wendle::PromptEngine::loadBank(path);
    if (bank.prompts.empty() == bank.problem.isEmpty()) {
        std::abort();
    }
    return 0;
}
