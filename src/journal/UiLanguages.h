// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRegularExpression>
#include <QStringList>

namespace wendle {

/**
 * The user's UI languages (as `QLocale::uiLanguages` gives them, "de-AT") that come before English, Wendle's
 * own language, as file-name tags ("de_AT"). Tags that do not look like a language are left out, so a name from
 * the environment never becomes a path.
 */
inline QStringList languagesBeforeEnglish(const QStringList& uiLanguages)
{
    static const QRegularExpression tag(QStringLiteral("^[a-z]{2,3}(_[A-Za-z0-9]{2,8})*$"));
    QStringList wanted;
    for (QString language : uiLanguages) {
        language.replace(u'-', u'_');
        if (language == u"en" || language.startsWith(u"en_")) {
            break;
        }
        if (tag.match(language).hasMatch()) {
            wanted << language;
        }
    }
    return wanted;
}

} // namespace wendle
