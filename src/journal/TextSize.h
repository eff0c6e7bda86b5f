// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

namespace wendle {

/**
 * How large the writing text is drawn: the entry being written or read and its prompt, on every screen that
 * shows them, while the buttons and headings around them keep their size. One for the whole process, kept in
 * the preferences across launches; every screen that draws writing follows `changed`.
 */
class TextSize : public QObject
{
    Q_OBJECT

public:
    static constexpr int smallest = 11;
    static constexpr int largest = 28;
    static constexpr int standard = 13;

    static TextSize& shared();

    /** The entry text's size; a stored size out of range reads as the nearest one in range. */
    int points() const { return m_points; }
    /** Clamped to [smallest, largest]; stored, and announced when it changes. */
    void setPoints(int points);
    void enlarge() { setPoints(m_points + 1); }
    void shrink() { setPoints(m_points - 1); }
    void reset() { setPoints(standard); }
    /** One point larger (`step` 1) or smaller (−1), or back to the standard size (0). */
    void resize(int step) { step == 0 ? reset() : setPoints(m_points + step); }

    /** A size or distance drawn at `atStandard` by the standard text size, grown or shrunk with the text. */
    int scaled(int atStandard) const;

Q_SIGNALS:
    void changed();

private:
    TextSize();

    int m_points;
};

} // namespace wendle
