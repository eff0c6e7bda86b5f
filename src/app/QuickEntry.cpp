// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QuickEntry.h"

#include "lock/AppLockController.h"
#include "updates/UpdaterController.h"
#include "writing/TrayEntryView.h"
#include "writing/TrayPanel.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>

namespace wendle {

QuickEntry::QuickEntry(AppLockController& lock, UpdaterController& updater, EntryStore& store,
                       ReminderScheduler& scheduler, const Clock& clock, QObject* parent)
    : QObject(parent)
{
    auto* view = new TrayEntryView(store, scheduler, clock);
    m_panel = std::make_unique<TrayPanel>(view);
    m_panel->installEventFilter(this);
    view->setKey(lock.key());
    view->setCanCheckForUpdates(updater.canCheckForUpdates());
    connect(&lock, &AppLockController::keyChanged, view, [view, &lock] { view->setKey(lock.key()); });
    connect(view, &TrayEntryView::unlockRequested, this, [this, &lock] {
        m_reopenAfterUnlock = true;
        lock.unlock();
    });
    // The password dialog takes the focus, which puts the panel away: it comes back with the answer.
    const auto answered = [this, &lock] {
        if (m_reopenAfterUnlock && !lock.authInFlight()) {
            m_reopenAfterUnlock = false;
            openAlone();
        }
    };
    connect(&lock, &AppLockController::keyChanged, this, answered);
    connect(&lock, &AppLockController::authFailedChanged, this, answered);
    connect(&updater, &UpdaterController::canCheckForUpdatesChanged, view,
            [view, &updater] { view->setCanCheckForUpdates(updater.canCheckForUpdates()); });
    connect(view, &TrayEntryView::checkForUpdatesRequested, &updater, &UpdaterController::checkForUpdates);
}

QuickEntry::~QuickEntry() = default;

void QuickEntry::openAlone()
{
    if (m_panel->isVisible()) {
        m_panel->raise();
        m_panel->activateWindow();
        return;
    }
    QRect anchor;
    // A Wayland client is not told where the pointer is: the panel opens in the middle instead.
    if (QGuiApplication::platformName().startsWith(QStringLiteral("wayland"))) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            anchor = QRect(screen->availableGeometry().center(), QSize(1, 1));
        }
    }
    m_panel->toggle(anchor);
}

bool QuickEntry::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_panel.get() && event->type() == QEvent::Hide) {
        Q_EMIT closed();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace wendle
