// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transfer/TransferContext.h"

#include <QObject>

#include <functional>
#include <memory>

namespace wendle {

struct BackupContents;
struct BackupReadResult;

/**
 * "Restore from backup…": after a fresh authentication, asks for a backup and its passphrase, opens it on a
 * worker thread, shows what it would add or repair, and only then adds it; entries already present stay as
 * they are, and gain only the earlier versions they do not have. "Restore from snapshot…" does the same with a
 * snapshot, which the journal's own key opens: no passphrase is asked for.
 */
class RestoreCommand : public QObject
{
    Q_OBJECT

public:
    RestoreCommand(const TransferContext& context, QObject* parent);

    void run();
    void runFromSnapshot();

private:
    struct Opened;
    /** Reads `path` and opens it with `open` on a worker thread, then offers what it holds. */
    void openFile(const QString& path, const QString& noun, std::function<BackupReadResult(const QByteArray&)> open);
    void offerRestore(const std::shared_ptr<BackupContents>& contents, const QString& noun);

    TransferContext m_context;
};

} // namespace wendle
