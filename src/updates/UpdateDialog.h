// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updates/UpdateFeed.h"

#include <QDialog>

namespace wendle {

/**
 * Offers a newer release: its version, its notes (plain text or HTML shown without loading anything remote,
 * links inert) and "Download".
 */
class UpdateDialog : public QDialog
{
    Q_OBJECT

public:
    UpdateDialog(const UpdateRelease& release, const QString& currentVersion, QWidget* parent = nullptr);

Q_SIGNALS:
    void downloadRequested();
};

} // namespace wendle
