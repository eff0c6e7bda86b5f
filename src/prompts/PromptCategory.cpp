// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompts/PromptCategory.h"

#include "journal/Entry.h"

namespace wendle {

QString rawValue(PromptCategory category)
{
    switch (category) {
    case PromptCategory::affirmation:
        return QStringLiteral("affirmation");
    case PromptCategory::visualization:
        return QStringLiteral("visualization");
    case PromptCategory::memory:
        return QStringLiteral("memory");
    case PromptCategory::future:
        return QStringLiteral("future");
    case PromptCategory::gratitude:
        return QStringLiteral("gratitude");
    case PromptCategory::pages:
        break;
    }
    return QStringLiteral("pages");
}

std::optional<PromptCategory> promptCategoryFromRaw(const QString& raw)
{
    for (const PromptCategory category : allPromptCategories) {
        if (rawValue(category) == raw) {
            return category;
        }
    }
    return std::nullopt;
}

QString label(PromptCategory category)
{
    return category == PromptCategory::pages ? QStringLiteral("morning pages") : rawValue(category);
}

PromptCategory categoryOf(const Entry& entry)
{
    return promptCategoryFromRaw(entry.categoryRaw()).value_or(PromptCategory::affirmation);
}

} // namespace wendle
