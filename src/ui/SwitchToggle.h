// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>

namespace wendle {

/**
 * A labelled on/off switch: the label at the leading edge, a capsule with a sliding knob at the trailing one.
 * The whole row toggles it. Disabled, it still shows its state, paler.
 */
class SwitchToggle : public QAbstractButton
{
    Q_OBJECT

public:
    SwitchToggle(const QString& text, int fontSize, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace wendle
