// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transfer/TransferContext.h"

#include <QObject>

namespace wendle {

struct ImportPlan;

/**
 * "Import…": after a fresh authentication, reads a folder of dated text or Markdown files, or a JSON export of
 * jrnl or Wendle, on a worker thread, shows what it would add, and only then adds it.
 */
class ImportCommand : public QObject
{
    Q_OBJECT

public:
    ImportCommand(const TransferContext& context, QObject* parent);

    void run();

private:
    void importFolder(const QString& folder);
    void importJson(const QString& path);
    void offerImport(const ImportPlan& plan);

    TransferContext m_context;
};

} // namespace wendle
