// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/EnglishPluralForms.h"

#include <QCoreApplication>

// Test programs show Wendle's counting texts in English as the app does ("1 entry", "3 entries").
static void installEnglishPluralFormsAtStart()
{
    wendle::installEnglishPluralForms();
}
Q_COREAPP_STARTUP_FUNCTION(installEnglishPluralFormsAtStart)
