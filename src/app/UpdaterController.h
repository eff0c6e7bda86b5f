// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

namespace wendle {

/**
 * Software updates. Until the update feed reader exists, no check can begin: `canCheckForUpdates` stays
 * false, so the commands that start a check stay disabled.
 */
class UpdaterController : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    bool canCheckForUpdates() const { return false; }
    void checkForUpdates() { }

Q_SIGNALS:
    void canCheckForUpdatesChanged();
};

} // namespace wendle
