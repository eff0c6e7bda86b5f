// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace wendle {

/**
 * This computer's name in a sync folder: a device id of 16 random bytes (see SyncId), made once per machine and
 * kept in a small file of the app's data folder. The file also holds a hash of the machine id (`/etc/machine-id`)
 * the device id was made on, so a data folder copied to another machine makes a new device id there rather than
 * letting two computers write as one. The machine id itself is never kept nor written anywhere.
 *
 * The file is two lines of lowercase hexadecimal: the device id (32 digits), then HMAC-SHA-256 of the fixed text
 * `wendle-sync-device` keyed with the machine id's bytes (64 digits). It is written whole (0600) or not at all.
 */
namespace SyncDevice {

/** `$XDG_DATA_HOME/wendle/sync-device`. */
QString defaultPath();
/** Where systemd keeps the machine id. */
inline const QString systemMachineIdPath = QStringLiteral("/etc/machine-id");

/**
 * The device id kept at `path`, bound to the machine id read from `machineIdPath` (a machine without one counts as
 * one machine). A new id is made and kept when there is none, the file is not one this class wrote, or it was made
 * on a machine with another machine id. Nothing, and `error` set to a sentence naming the file, when a new id
 * cannot be kept.
 */
std::optional<QByteArray> id(const QString& path, QString* error, const QString& machineIdPath = systemMachineIdPath);

} // namespace SyncDevice

} // namespace wendle
