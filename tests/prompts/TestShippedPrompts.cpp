// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompts/PromptEngine.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace wendle;

class TestShippedPrompts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bankIsFoundBesideTheProgram();
    void bankMeetsItsRules();
};

void TestShippedPrompts::bankIsFoundBesideTheProgram()
{
    const QString path = PromptEngine::shippedBankPath();
    QVERIFY2(path.endsWith(QStringLiteral("/share/wendle/prompts.json")), qPrintable(path));
    QVERIFY(!PromptEngine().bank().empty());
}

void TestShippedPrompts::bankMeetsItsRules()
{
    const std::vector<Prompt> prompts = PromptEngine::loadBank(PromptEngine::shippedBankPath()).prompts;
    QVERIFY(prompts.size() >= 366);

    QHash<PromptCategory, int> perCategory;
    QSet<QString> ids;
    QSet<QString> texts;
    const QRegularExpression idPattern(
        QStringLiteral("^(affirmation|visualization|memory|future|gratitude|pages)-\\d{3}$"));
    const QRegularExpression secondPerson(QStringLiteral("\\b(you|your|yours|yourself)\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
    for (const Prompt& prompt : prompts) {
        ++perCategory[prompt.category];
        QVERIFY2(!ids.contains(prompt.id), qPrintable(prompt.id));
        ids.insert(prompt.id);
        QVERIFY2(idPattern.match(prompt.id).hasMatch(), qPrintable(prompt.id));
        QVERIFY2(prompt.id.startsWith(rawValue(prompt.category) + u'-'), qPrintable(prompt.id));
        QVERIFY2(prompt.text.size() <= 160 && !prompt.text.isEmpty(), qPrintable(prompt.id));
        QCOMPARE(prompt.text, prompt.text.trimmed());
        QVERIFY2(secondPerson.match(prompt.text).hasMatch(), qPrintable(prompt.id));
        const QString normalised = prompt.text.toLower();
        QVERIFY2(!texts.contains(normalised), qPrintable(prompt.id));
        texts.insert(normalised);
    }
    for (const PromptCategory category : allPromptCategories) {
        QVERIFY2(perCategory.value(category) >= 50, qPrintable(rawValue(category)));
    }

    // Days move through the categories: never the same twice running, all six in every seven days.
    for (std::size_t i = 1; i < prompts.size(); ++i) {
        QVERIFY2(prompts[i].category != prompts[i - 1].category, qPrintable(prompts[i].id));
    }
    for (std::size_t start = 0; start + 7 <= prompts.size(); ++start) {
        QSet<PromptCategory> seen;
        for (std::size_t i = start; i < start + 7; ++i) {
            seen.insert(prompts[i].category);
        }
        QVERIFY2(seen.size() == 6, qPrintable(prompts[start].id));
    }
}

QTEST_GUILESS_MAIN(TestShippedPrompts)
#include "TestShippedPrompts.moc"
