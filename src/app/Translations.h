// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTranslator>

namespace wendle {

/**
 * Wendle's texts, and Qt's own in its standard dialogs, in the first of the user's UI languages that Wendle
 * speaks. English is Wendle's own language: where it comes first, nothing is loaded, even when a later language
 * has a translation. English's own forms for one and many are installed first, whatever the language.
 */
class Translations
{
public:
    /** Installs the translations for `uiLanguages` (as `QLocale::uiLanguages` gives them) into the application. */
    explicit Translations(const QStringList& uiLanguages);
    ~Translations();

    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;

    /** The language loaded ("de"), or empty for English. */
    QString language() const { return m_language; }

private:
    QTranslator m_wendle;
    QTranslator m_qt;
    QString m_language;
};

} // namespace wendle
