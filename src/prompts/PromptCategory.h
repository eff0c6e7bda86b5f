// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <array>
#include <optional>

namespace wendle {

class Entry;

/** The six kinds of prompt, in their fixed order. Stored and written in files as their raw values. */
enum class PromptCategory
{
    affirmation,
    visualization,
    memory,
    future,
    gratitude,
    pages
};

/** Every category, in declaration order. */
inline constexpr std::array<PromptCategory, 6> allPromptCategories
    = {PromptCategory::affirmation, PromptCategory::visualization, PromptCategory::memory,
       PromptCategory::future,      PromptCategory::gratitude,     PromptCategory::pages};

/** The category whose raw value is exactly `raw` (case-sensitive, whole string), or nothing. */
std::optional<PromptCategory> promptCategoryFromRaw(const QString& raw);

/** The stored name: "affirmation", …, "pages". */
QString rawValue(PromptCategory category);

/** The name shown to the user: the raw value, except "morning pages" for `pages`. */
QString label(PromptCategory category);

/** An entry's category: the one its `categoryRaw` names, or `affirmation` when it names none. */
PromptCategory categoryOf(const Entry& entry);

} // namespace wendle
