// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompts/PromptEngine.h"

#include <QTemporaryDir>
#include <QTest>

using namespace wendle;

class TestPromptBank : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void categories();
    void loading_data();
    void loading();
    void unreadableFiles();

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

void TestPromptBank::categories()
{
    QStringList raws;
    QStringList labels;
    for (const PromptCategory category : allPromptCategories) {
        raws << rawValue(category);
        labels << label(category);
        QCOMPARE(promptCategoryFromRaw(rawValue(category)), category);
    }
    QCOMPARE(raws,
             (QStringList{QStringLiteral("affirmation"), QStringLiteral("visualization"), QStringLiteral("memory"),
                          QStringLiteral("future"), QStringLiteral("gratitude"), QStringLiteral("pages")}));
    QCOMPARE(labels.last(), QStringLiteral("morning pages"));
    QCOMPARE(labels.mid(0, 5), raws.mid(0, 5));
    for (const QString& near : {QStringLiteral("Memory"), QStringLiteral("memory "), QStringLiteral(" pages"),
                                QStringLiteral("morning pages"), QString()}) {
        QCOMPARE(promptCategoryFromRaw(near), std::nullopt);
    }
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
    QTest::newRow("null member") << QByteArray("{\"prompts\": [" + a
                                               + R"(, {"id": null, "category": "memory", "text": "C"}]})")
                                 << QStringList();
    QTest::newRow("number for a string") << QByteArray("{\"prompts\": [" + a
                                                       + R"(, {"id": 7, "category": "memory", "text": "C"}]})")
                                         << QStringList();
    QTest::newRow("prompt that is not an object") << QByteArray("{\"prompts\": [" + a + ", \"c\"]}") << QStringList();
    QTest::newRow("no prompts key") << QByteArray(R"({"prompt": []})") << QStringList();
    QTest::newRow("prompts not an array") << QByteArray(R"({"prompts": {}})") << QStringList();
    QTest::newRow("top level is an array") << QByteArray("[" + a + "]") << QStringList();
    QTest::newRow("invalid JSON") << QByteArray("{\"prompts\": [" + a + ",]") << QStringList();
    QTest::newRow("empty file") << QByteArray() << QStringList();
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
    QVERIFY(PromptEngine::loadBank(m_dir.filePath(QStringLiteral("missing.json"))).prompts.empty());
    QVERIFY(PromptEngine::loadBank(m_dir.path()).prompts.empty()); // a folder
    QVERIFY(PromptEngine::loadBank(QString()).prompts.empty());
}

QTEST_GUILESS_MAIN(TestPromptBank)
#include "TestPromptBank.moc"
