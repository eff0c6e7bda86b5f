// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transfer/TransferContext.h"

#include <QObject>

namespace wendle {

class Passphrase;

/**
 * "Back up…": after a fresh authentication, asks where and for a new passphrase, then seals every entry into a
 * backup file on a worker thread and says how many it holds, or why it failed.
 */
class BackupCommand : public QObject
{
    Q_OBJECT

public:
    BackupCommand(const TransferContext& context, QObject* parent);

    void run();

private:
    void askPassphrase(const QString& path);
    void writeBackup(const QString& path, const Passphrase& passphrase, bool withVersions);

    TransferContext m_context;
};

} // namespace wendle
