// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/OwnWords.h"

#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/Spelling.h"

namespace wendle {

void openOwnWords(Spelling& spelling, EntryStore& store, std::shared_ptr<const EntryKey> key)
{
    QStringList words;
    for (const QByteArray& sealed : store.sealedOwnWords()) {
        try {
            words << openEntryText(sealed, *key);
        } catch (const std::exception&) {
            // Sealed under another key, or damaged: the word is underlined again, nothing else is lost.
        }
    }
    spelling.openOwnWords(words, [&store, key = std::move(key)](const QString& word) {
        try {
            return store.addOwnWord(sealEntryText(word, *key));
        } catch (const std::exception&) {
            return false;
        }
    });
}

} // namespace wendle
