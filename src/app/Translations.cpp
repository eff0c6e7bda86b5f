// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Translations.h"

#include "journal/UiLanguages.h"
#include "ui/EnglishPluralForms.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace wendle {

Translations::Translations(const QStringList& uiLanguages)
{
    installEnglishPluralForms();
    for (const QString& language : languagesBeforeEnglish(uiLanguages)) {
        // "de_AT" falls back to "de" inside QTranslator::load.
        if (m_wendle.load(QStringLiteral("wendle_") + language, QStringLiteral(":/i18n"))) {
            m_language = language;
            break;
        }
    }
    if (m_language.isEmpty()) {
        return;
    }
    QCoreApplication::installTranslator(&m_wendle);
    // Qt's own buttons and dialogs; without its translation they stay in English.
    if (m_qt.load(QStringLiteral("qtbase_") + m_language, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&m_qt);
    }
}

Translations::~Translations()
{
    QCoreApplication::removeTranslator(&m_qt);
    QCoreApplication::removeTranslator(&m_wendle);
}

} // namespace wendle
