// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompts/PromptCategory.h"

#include "journal/Entry.h"

#include <QCoreApplication>

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
    switch (category) {
    case PromptCategory::affirmation:
        return QCoreApplication::translate("wendle::PromptCategory", "affirmation");
    case PromptCategory::visualization:
        return QCoreApplication::translate("wendle::PromptCategory", "visualization");
    case PromptCategory::memory:
        return QCoreApplication::translate("wendle::PromptCategory", "memory");
    case PromptCategory::future:
        return QCoreApplication::translate("wendle::PromptCategory", "future");
    case PromptCategory::gratitude:
        return QCoreApplication::translate("wendle::PromptCategory", "gratitude");
    case PromptCategory::pages:
        break;
    }
    return QCoreApplication::translate("wendle::PromptCategory", "morning pages");
}

PromptCategory categoryOf(const Entry& entry)
{
    return promptCategoryFromRaw(entry.categoryRaw()).value_or(PromptCategory::affirmation);
}

} // namespace wendle
