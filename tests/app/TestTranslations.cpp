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
    // Counting texts take their form from the number, in German as in English.
    const auto entries
        = [](int n) { return QCoreApplication::translate("wendle::HistoryView", "%n entries", nullptr, n); };
    {
        const Translations german({QStringLiteral("fr-FR"), QStringLiteral("de-AT"), QStringLiteral("en-US")});
        QCOMPARE(german.language(), QStringLiteral("de_AT"));
        QVERIFY(quit() != QStringLiteral("Quit") && !quit().isEmpty());
        QVERIFY(cancel() != QStringLiteral("Cancel"));
        QCOMPARE(entries(1), QStringLiteral("1 Eintrag"));
        QCOMPARE(entries(3), QStringLiteral("3 Einträge"));
    }
    QCOMPARE(quit(), QStringLiteral("Quit"));
    QCOMPARE(entries(1), QStringLiteral("1 entry"));
    QCOMPARE(entries(3), QStringLiteral("3 entries"));
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
