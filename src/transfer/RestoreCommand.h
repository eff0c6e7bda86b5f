// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transfer/TransferContext.h"

#include <QObject>

#include <memory>

namespace wendle {

class Passphrase;
struct BackupContents;

/**
 * "Restore from backup…": after a fresh authentication, asks for a backup and its passphrase, opens it on a
 * worker thread, shows what it would add or repair, and only then adds it; entries already present stay as
 * they are.
 */
class RestoreCommand : public QObject
{
    Q_OBJECT

public:
    RestoreCommand(const TransferContext& context, QObject* parent);

    void run();

private:
    void openBackupFile(const QString& path, const Passphrase& passphrase);
    void offerRestore(const std::shared_ptr<BackupContents>& contents);

    TransferContext m_context;
};

} // namespace wendle
