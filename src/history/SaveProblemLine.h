// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QLabel;
class QWidget;

namespace wendle {

class EntryStore;

/**
 * A quiet line, hidden until the store holds changes it could not write: "Not saved yet — the disk is full.
 * Wendle keeps trying." It follows the store by itself, so it goes once the store's own retry succeeds. A
 * screen reader announces it when it appears or changes.
 */
QLabel* saveProblemLine(EntryStore& store, QWidget* parent);

} // namespace wendle
