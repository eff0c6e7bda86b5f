// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QMenu;

namespace wendle {

class TransferContext;

/**
 * Adds "Export…", "Back up…", "Restore from backup…", "Restore from snapshot…" and "Import…" to `menu`, each running
 * its command, all enabled while the journal is unlocked. The commands belong to the context's window.
 */
void addTransferCommands(QMenu* menu, const TransferContext& context);

} // namespace wendle
