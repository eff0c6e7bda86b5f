// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QLabel>

namespace wendle {

/**
 * A status line whose changes a screen reader speaks as they happen ("Not saved yet — …", "Couldn't verify —
 * try again"), without taking the focus. It is exposed with the notification role and says it is showing
 * again whenever its text changes while it is shown.
 */
class LiveLabel : public QLabel
{
    Q_OBJECT

public:
    /** In the monospaced font at `size`, in `colour`, like `textLabel`. */
    LiveLabel(int size, const QColor& colour, QWidget* parent);

    /** Shows `text`; a screen reader announces it when it differs from what was shown. */
    void announce(const QString& text);
};

} // namespace wendle
