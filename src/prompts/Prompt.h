// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "prompts/PromptCategory.h"

#include <QString>

namespace wendle {

/** One writing prompt of the bank. Equal when id, category and text all are. */
struct Prompt
{
    QString id;
    PromptCategory category;
    QString text;

    bool operator==(const Prompt&) const = default;
};

} // namespace wendle
