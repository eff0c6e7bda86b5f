// SPDX-License-Identifier: GPL-3.0-or-later
// Any file as the prompt bank, and as its translation: all or nothing, and a file that is refused always says
// why; a translation never changes the bank's ids or order, and a refused one changes nothing.
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
    const wendle::PromptEngine::Bank english{
        {{QStringLiteral("a"), wendle::PromptCategory::memory, QStringLiteral("A")},
         {QStringLiteral("b"), wendle::PromptCategory::pages, QStringLiteral("B")}}};
    wendle::PromptEngine::Bank translated = english;
    const QString problem = wendle::PromptEngine::applyTranslation(translated, path);
    for (std::size_t i = 0; i < english.prompts.size(); ++i) {
        const wendle::Prompt& before = english.prompts[i];
        const wendle::Prompt& after = translated.prompts[i];
        if (after.id != before.id || after.category != before.category || after.text.trimmed().isEmpty()
            || (!problem.isEmpty() && after.text != before.text)) {
            std::abort();
        }
    }
    return 0;
}
