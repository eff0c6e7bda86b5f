// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace wendle {

/** A short label on a capsule: 12-point accent text on the accent wash, padded 10 by 4. */
class Pill : public QWidget
{
    Q_OBJECT

public:
    explicit Pill(const QString& text = QString(), QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};

} // namespace wendle
