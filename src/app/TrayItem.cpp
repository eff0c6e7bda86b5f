// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayItem.h"

#include "app/MainWindow.h"
#include "app/QuickEntry.h"
#include "writing/TrayPanel.h"

#include <QFile>
#include <QMenu>
#include <QPainter>
#include <QSvgRenderer>
#include <QSystemTrayIcon>

namespace wendle {

TrayItem::TrayItem(AppLockController& lock, UpdaterController& updater, EntryStore& store, ReminderScheduler& scheduler,
                   const Clock& clock, MainWindow& window, const QColor& panel, QObject* parent)
    : QObject(parent)
    , m_menu(std::make_unique<QMenu>())
    , m_quickEntry(new QuickEntry(lock, updater, store, scheduler, clock, this))
    , m_icon(new QSystemTrayIcon(trayIcon(panel), this))
{
    m_menu->addAction(tr("Open wendle"), this, &TrayItem::openRequested);
    m_menu->addAction(window.settingsAction());
    m_menu->addAction(window.checkForUpdatesAction());
    m_menu->addSeparator();
    m_menu->addAction(window.quitAction());

    m_icon->setToolTip(QStringLiteral("wendle"));
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
            m_quickEntry->panel()->toggle(m_icon->geometry());
        }
    });
    m_icon->show();
}

TrayItem::~TrayItem() = default;

TrayPanel* TrayItem::panel() const
{
    return m_quickEntry->panel();
}

QIcon TrayItem::trayIcon(const QColor& panel)
{
    const QString name = QStringLiteral("org.wendle.Wendle-symbolic");
    if (QIcon::hasThemeIcon(name)) {
        return QIcon::fromTheme(name);
    }
    QFile file(QStringLiteral(":/icons/%1.svg").arg(name));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    // The symbolic icon's stroke is the colour desktops look for when they recolour one; here it is replaced.
    const QColor stroke = panel.lightness() < 128 ? Qt::white : Qt::black;
    QSvgRenderer renderer(file.readAll().replace("#2e3436", stroke.name().toLatin1()));
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace wendle
