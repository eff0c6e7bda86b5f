// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transfer/BackupFile.h"

#include <QByteArrayView>

#include <optional>

namespace wendle {

/**
 * Counts the records of a payload `BackupPayloadWriter` wrote, checking it strictly as it goes: the object of the
 * three arrays, each record an object of strings and integers, each string well-formed JSON, each record that
 * names an entry naming one the payload holds. A single pass over the bytes, with nothing built: the check of a
 * file just written, which a QJsonDocument would cost many times over. Nothing when any of it fails.
 */
std::optional<BackupCounts> countWrittenPayload(QByteArrayView payload);

} // namespace wendle
