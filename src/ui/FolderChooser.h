// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace wendle {

/**
 * Opens a folder chooser titled `title` at `start`, modal to `parent`'s window; `chosen` hears the folder picked,
 * unless `parent` is gone by then. Nothing is heard on cancel.
 */
void chooseFolder(QWidget* parent, const QString& title, const QString& start,
                  std::function<void(const QString& folder)> chosen);

/** Gives the window of a settings section its natural height again, as the section's lines come and go. */
void fitWindowHeight(QWidget* section);

} // namespace wendle
