// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/SaveProblemLine.h"

#include "journal/EntryStore.h"
#include "ui/LiveLabel.h"
#include "ui/Palette.h"

#include <QCoreApplication>

namespace wendle {

namespace {
void showProblem(LiveLabel* line, const EntryStore& store)
{
    const QString reason = store.hasUnsavedChanges() ? store.saveFailure() : QString();
    line->announce(reason.isEmpty() ? QString()
                                    : QCoreApplication::translate("wendle::SaveProblemLine",
                                                                  "Not saved yet — %1. Wendle keeps trying.")
                                          .arg(reason));
    line->setVisible(!reason.isEmpty());
}
} // namespace

QLabel* saveProblemLine(EntryStore& store, QWidget* parent)
{
    auto* line = new LiveLabel(12, Palette::muted(), parent);
    QObject::connect(&store, &EntryStore::saveFailureChanged, line, [line, &store] { showProblem(line, store); });
    showProblem(line, store);
    return line;
}

} // namespace wendle
