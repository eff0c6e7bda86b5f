// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/TransferMenu.h"

#include "lock/AppLockController.h"
#include "transfer/BackupCommand.h"
#include "transfer/ExportCommand.h"
#include "transfer/ImportCommand.h"
#include "transfer/RestoreCommand.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

namespace wendle {

void addTransferCommands(QMenu* menu, const TransferContext& context)
{
    QWidget* window = context.window();
    auto* restore = new RestoreCommand(context, window);
    const QList<QAction*> actions{
        menu->addAction(QCoreApplication::translate("wendle::TransferMenu", "Export…"),
                        new ExportCommand(context, window), &ExportCommand::run),
        menu->addAction(QCoreApplication::translate("wendle::TransferMenu", "Back up…"),
                        new BackupCommand(context, window), &BackupCommand::run),
        menu->addAction(QCoreApplication::translate("wendle::TransferMenu", "Restore from backup…"), restore,
                        &RestoreCommand::run),
        menu->addAction(QCoreApplication::translate("wendle::TransferMenu", "Restore from snapshot…"), restore,
                        &RestoreCommand::runFromSnapshot),
        menu->addAction(QCoreApplication::translate("wendle::TransferMenu", "Import…"),
                        new ImportCommand(context, window), &ImportCommand::run),
    };
    AppLockController& lock = context.lock();
    auto follow = [&lock, actions] {
        for (QAction* action : actions) {
            action->setEnabled(lock.isUnlocked());
        }
    };
    follow();
    QObject::connect(&lock, &AppLockController::keyChanged, menu, follow);
}

} // namespace wendle
