// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompts/PromptEngine.h"

#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace wendle;

class TestPromptBank : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loading_data();
    void loading();
    void unreadableFiles();
    void shippedBankMeetsItsRules();

private:
    QString write(const QByteArray& content);
    QTemporaryDir m_dir;
    int m_files = 0;
};

QString TestPromptBank::write(const QByteArray& content)
{
    const QString path = m_dir.filePath(QStringLiteral("prompts-%1.json").arg(++m_files));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(content);
    }
    return path;
}

void TestPromptBank::loading_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QStringList>("ids"); // empty: the bank is empty

    const QByteArray a = R"({"id": "a", "category": "memory", "text": "A"})";
    const QByteArray b = R"({"id": "b", "category": "pages", "text": "B"})";
    QTest::newRow("two prompts") << QByteArray("{\"prompts\": [" + a + ", " + b + "]}")
                                 << QStringList{QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("extra members and keys are ignored")
        << QByteArray(R"({"version": 3, "prompts": [{"id": "a", "category": "memory", "text": "A", "author": "x"}]})")
        << QStringList{QStringLiteral("a")};
    QTest::newRow("repeated ids are kept in order")
        << QByteArray("{\"prompts\": [" + a + ", " + b + ", " + a + "]}")
        << QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("a")};
    QTest::newRow("empty array") << QByteArray(R"({"prompts": []})") << QStringList();
    QTest::newRow("capitalised category spoils the file")
        << QByteArray("{\"prompts\": [" + a + R"(, {"id": "c", "category": "Memory", "text": "C"}]})") << QStringList();
    QTest::newRow("trailing blank in a category")
        << QByteArray("{\"prompts\": [" + a + R"(, {"id": "c", "category": "memory ", "text": "C"}]})")
        << QStringList();
    QTest::newRow("missing member") << QByteArray("{\"prompts\": [" + a + R"(, {"id": "c", "category": "memory"}]})")
                                    << QStringList();
    QTest::newRow("number for a string") << QByteArray("{\"prompts\": [" + a
                                                       + R"(, {"id": 7, "category": "memory", "text": "C"}]})")
                                         << QStringList();
    QTest::newRow("prompt that is not an object") << QByteArray("{\"prompts\": [" + a + ", \"c\"]}") << QStringList();
    QTest::newRow("no prompts key") << QByteArray(R"({"prompt": []})") << QStringList();
    QTest::newRow("invalid JSON") << QByteArray("{\"prompts\": [" + a + ",]") << QStringList();
}

void TestPromptBank::loading()
{
    QFETCH(QByteArray, json);
    QFETCH(QStringList, ids);
    const PromptEngine::Bank bank = PromptEngine::loadBank(write(json));
    QStringList loaded;
    for (const Prompt& prompt : bank.prompts) {
        loaded << prompt.id;
    }
    QCOMPARE(loaded, ids);
    if (!ids.isEmpty()) {
        QCOMPARE(bank.prompts.front().category, PromptCategory::memory);
        QCOMPARE(bank.prompts.front().text, QStringLiteral("A"));
    }
}

void TestPromptBank::unreadableFiles()
{
    QVERIFY(PromptEngine::loadBank(m_dir.path()).prompts.empty()); // a folder
    QVERIFY(PromptEngine::loadBank(QString()).prompts.empty());
    // What is logged says which file and why, down to the first prompt and member at fault.
    const PromptEngine::Bank missing = PromptEngine::loadBank(m_dir.filePath(QStringLiteral("missing.json")));
    QVERIFY(missing.prompts.empty());
    QVERIFY2(missing.problem.contains(QStringLiteral("missing.json cannot be read")), qPrintable(missing.problem));
    const PromptEngine::Bank truncated = PromptEngine::loadBank(write(R"({"prompts": [{"id": "a", "categ)"));
    QVERIFY(truncated.problem.contains(QStringLiteral("is not valid JSON")));
    const PromptEngine::Bank unknown
        = PromptEngine::loadBank(write(R"({"prompts": [{"id": "a", "category": "memory", "text": "A"},
                              {"id": "b", "category": "weather", "text": "B"}]})"));
    QVERIFY(unknown.prompts.empty());
    QVERIFY2(unknown.problem.endsWith(
                 QStringLiteral(R"(: prompt 2 ("b"): its "category" "weather" is not a known category)")),
             qPrintable(unknown.problem));
}

void TestPromptBank::shippedBankMeetsItsRules()
{
    // Beside the program, in the build tree as when installed.
    const QString path = PromptEngine::shippedBankPath();
    QVERIFY2(path.endsWith(QStringLiteral("/share/wendle/prompts.json")), qPrintable(path));
    const std::vector<Prompt> prompts = PromptEngine::loadBank(path).prompts;
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

QTEST_GUILESS_MAIN(TestPromptBank)
#include "TestPromptBank.moc"
