// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transfer/WorkProgress.h"
#include "ui/MessageBox.h"

#include <QPointer>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <climits>

#include <functional>
#include <memory>
#include <optional>

namespace wendle {

/**
 * Runs `work` on a worker thread behind a window-modal progress dialog, so the window stays responsive
 * however long it takes. `then` gets the result on the GUI thread, through `context` (never after `context` is
 * gone). With `cancelLabel` set the dialog can be cancelled: the worker is asked to stop, its result is
 * dropped and `cancelled` runs at once instead; without it, the work always ends in `then`. `work` must touch
 * nothing the GUI thread uses; it is handed its own copies.
 */
template <typename Result>
void runInBackground(QObject* context, QWidget* parent, const QString& label, const QString& cancelLabel,
                     std::function<Result(WorkProgress&)> work, std::function<void(Result)> then,
                     std::function<void()> cancelled = {})
{
    auto progress = std::make_shared<WorkProgress>();
    auto result = std::make_shared<std::optional<Result>>();
    QPointer<QProgressDialog> dialog = new QProgressDialog(label, cancelLabel, 0, 0, parent);
    useDialogLook(dialog);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setMinimumDuration(300);
    dialog->setAutoReset(false);
    dialog->setAutoClose(false);
    if (cancelLabel.isEmpty()) {
        dialog->setCancelButton(nullptr);
    }
    // The worker only writes numbers; the dialog reads them on its own timer.
    auto* poll = new QTimer(dialog);
    QObject::connect(poll, &QTimer::timeout, dialog, [dialog, progress] {
        dialog->setMaximum(int(qMin<qint64>(progress->total, INT_MAX)));
        dialog->setValue(int(qMin<qint64>(progress->done, INT_MAX)));
    });
    poll->start(100);
    // Work that cannot be cancelled still ends and is reported when its dialog is closed by other means.
    if (!cancelLabel.isEmpty()) {
        QObject::connect(dialog, &QProgressDialog::canceled, context, [dialog, progress, cancelled] {
            if (progress->cancelled.exchange(true)) {
                return;
            }
            if (dialog) {
                dialog->close();
            }
            if (cancelled) {
                cancelled();
            }
        });
    }
    QThread* thread = QThread::create([work = std::move(work), progress, result] { *result = work(*progress); });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    QObject::connect(thread, &QThread::finished, context, [context, dialog, progress, result, then = std::move(then)] {
        const bool wanted = !progress->cancelled;
        if (dialog) {
            // Closing a progress dialog says "cancelled"; this close is not the user's.
            QObject::disconnect(dialog, nullptr, context, nullptr);
            dialog->close();
        }
        if (wanted && *result) {
            then(std::move(**result));
        }
    });
    thread->start();
}

} // namespace wendle
