// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

namespace wendle::gallery {

/**
 * Where the gallery's screen states go. Saving writes each one to FOLDER/NAME.png. Presenting shows each one and
 * writes one JSON line to standard output with the texts it draws and its buttons' labels and places on screen,
 * then waits for a line on standard input before the next, so that a screen reader's view of it can be compared.
 */
class Showcase
{
public:
    static Showcase saving(const QString& folder);
    static Showcase presenting();

    void capture(QWidget& widget, const char* name);

    /** False once standard input closed while presenting: the caller stops. */
    bool wanted() const { return m_wanted; }

private:
    explicit Showcase(const QString& folder)
        : m_folder(folder)
    {
    }

    void save(QWidget& widget, const QString& name) const;
    void present(QWidget& widget, const QString& name);

    QString m_folder;
    bool m_wanted = true;
};

} // namespace wendle::gallery
