// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Translations.h"

#include <QCoreApplication>
#include <QTest>

using namespace wendle;

class TestTranslations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void speaksTheFirstLanguageItHas();
};

void TestTranslations::speaksTheFirstLanguageItHas()
{
    const auto quit = [] { return QCoreApplication::translate("wendle::MainWindow", "Quit"); };
    // Qt's own standard buttons come with Wendle's language.
    const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    {
        const Translations german({QStringLiteral("fr-FR"), QStringLiteral("de-AT"), QStringLiteral("en-US")});
        QCOMPARE(german.language(), QStringLiteral("de_AT"));
        QVERIFY(quit() != QStringLiteral("Quit") && !quit().isEmpty());
        QVERIFY(cancel() != QStringLiteral("Cancel"));
    }
    QCOMPARE(quit(), QStringLiteral("Quit"));
    // English is Wendle's own: a later language never wins over it, and an unknown one falls back to it.
    for (const QStringList& languages : {QStringList{QStringLiteral("en-GB"), QStringLiteral("de")},
                                         QStringList{QStringLiteral("C"), QStringLiteral("xx")}}) {
        const Translations english(languages);
        QVERIFY(english.language().isEmpty());
        QCOMPARE(quit(), QStringLiteral("Quit"));
    }
}

QTEST_GUILESS_MAIN(TestTranslations)
#include "TestTranslations.moc"
