// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

namespace wendle {

class EntryKey;
class EntryStore;
class Spelling;

/**
 * Hands `spelling` the words the user added, opened from `store` with `key`, and keeps each word added from
 * now on there, sealed with `key`. A word that cannot be opened is left out.
 */
void openOwnWords(Spelling& spelling, EntryStore& store, std::shared_ptr<const EntryKey> key);

} // namespace wendle
