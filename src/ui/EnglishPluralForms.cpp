// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/EnglishPluralForms.h"

#include <QCoreApplication>
#include <QTranslator>

#include <algorithm>
#include <limits>

namespace wendle {

namespace {
const char* const translatorName = "wendle-english-plural-forms";
} // namespace

void installEnglishPluralForms()
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application
        || application->findChild<QTranslator*>(QLatin1String(translatorName), Qt::FindDirectChildrenOnly)) {
        return;
    }
    auto* forms = new QTranslator(application);
    forms->setObjectName(QLatin1String(translatorName));
    if (!forms->load(QStringLiteral(":/i18n/wendle_en.qm")) || !QCoreApplication::installTranslator(forms)) {
        // The build embeds the file; without it counts read "1 entries", which is wrong but harmless.
        qWarning("The English plural forms could not be loaded.");
        delete forms;
    }
}

int pluralCount(qint64 count)
{
    return int(std::clamp<qint64>(count, 0, std::numeric_limits<int>::max()));
}

} // namespace wendle
