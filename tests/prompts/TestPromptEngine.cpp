// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompts/PromptEngine.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <cstring>

using namespace wendle;

namespace {

const QString kAssignment = QStringLiteral("promptEngine.assignment");
const QString kUsed = QStringLiteral("promptEngine.usedIDs");
const char* const kReportState = "--report-state";

Prompt prompt(const QString& id, PromptCategory category = PromptCategory::memory)
{
    return {id, category, QStringLiteral("Write about ") + id};
}

PromptEngine::Bank bankOf(const QStringList& ids)
{
    PromptEngine::Bank bank;
    for (const QString& id : ids) {
        bank.prompts.push_back(prompt(id));
    }
    return bank;
}

QDateTime berlin(int day, int hour, int minute = 0)
{
    return QDateTime(QDate(2024, 3, day), QTime(hour, minute), QTimeZone("Europe/Berlin")).toUTC();
}

} // namespace

class TestPromptEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void walksTheBankDayByDay();
    void resetsWhenTheUsedListIsFull();
    void repeatedIdsCanExhaustTheBank();
    void readsStoredAssignments_data();
    void readsStoredAssignments();
    void emptyBankTouchesNothing();
    void enginesAgree();
    void stateSurvivesARestart();

private:
    QStringList used() const { return m_preferences->stringArray(kUsed).value_or(QStringList()); }
    std::optional<QString> assignment() const { return m_preferences->string(kAssignment); }

    QTemporaryDir m_dir;
    std::unique_ptr<Preferences> m_preferences;
    const Calendar m_calendar = Calendar::make(QStringLiteral("de_DE"), QStringLiteral("Europe/Berlin"));
};

void TestPromptEngine::initTestCase()
{
    // Before any QSettings exists: keep the test's preferences out of the user's.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    m_preferences = std::make_unique<Preferences>();
}

void TestPromptEngine::init()
{
    QSettings(QStringLiteral("wendle"), QStringLiteral("wendle")).clear();
}

void TestPromptEngine::walksTheBankDayByDay()
{
    PromptEngine engine(bankOf({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));

    QCOMPARE(engine.todaysPrompt(berlin(5, 10), m_calendar)->id, QStringLiteral("A"));
    QCOMPARE(used(), QStringList{QStringLiteral("A")});
    QCOMPARE(assignment(), QStringLiteral("2024-03-05|A"));

    // The same day, later, and in the small hours of the next date: still A, nothing consumed.
    QCOMPARE(engine.todaysPrompt(berlin(5, 22), m_calendar)->id, QStringLiteral("A"));
    QCOMPARE(engine.todaysPrompt(berlin(6, 1, 30), m_calendar)->id, QStringLiteral("A"));
    QCOMPARE(used(), QStringList{QStringLiteral("A")});

    // At 03:00 the day turns.
    QCOMPARE(engine.todaysPrompt(berlin(6, 3), m_calendar)->id, QStringLiteral("B"));
    QCOMPARE(used(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));

    // "Give me another" takes the next unused prompt; the replaced one stays used.
    QCOMPARE(engine.assignNext(QStringLiteral("2024-03-06"))->id, QStringLiteral("C"));
    QCOMPARE(assignment(), QStringLiteral("2024-03-06|C"));
    QCOMPARE(used(), (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
    QCOMPARE(engine.todaysPrompt(berlin(6, 20), m_calendar)->id, QStringLiteral("C"));

    // The next day finds the list full: it starts again at the head of the bank.
    QCOMPARE(engine.todaysPrompt(berlin(7, 9), m_calendar)->id, QStringLiteral("A"));
    QCOMPARE(used(), QStringList{QStringLiteral("A")});
}

void TestPromptEngine::resetsWhenTheUsedListIsFull()
{
    PromptEngine engine(bankOf({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));

    // A full list at "give me another" gives the head of the bank, even if that is the prompt on screen.
    m_preferences->setStringArray(kUsed, {QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("A")});
    m_preferences->setString(kAssignment, QStringLiteral("2024-03-05|A"));
    QCOMPARE(engine.assignNext(QStringLiteral("2024-03-05"))->id, QStringLiteral("A"));
    QCOMPARE(used(), QStringList{QStringLiteral("A")});

    // Ids of prompts no longer in the bank count towards the reset too.
    m_preferences->setStringArray(kUsed, {QStringLiteral("A"), QStringLiteral("old-1"), QStringLiteral("old-2")});
    QCOMPARE(engine.assignNext(QStringLiteral("2024-03-06"))->id, QStringLiteral("A"));
    QCOMPARE(used(), QStringList{QStringLiteral("A")});

    // Duplicates in the list count once.
    m_preferences->setStringArray(kUsed, {QStringLiteral("A"), QStringLiteral("A"), QStringLiteral("A")});
    QCOMPARE(engine.assignNext(QStringLiteral("2024-03-07"))->id, QStringLiteral("B"));
    QCOMPARE(used(), (QStringList{QStringLiteral("A"), QStringLiteral("A"), QStringLiteral("A"), QStringLiteral("B")}));
}

void TestPromptEngine::repeatedIdsCanExhaustTheBank()
{
    PromptEngine engine(bankOf({QStringLiteral("A"), QStringLiteral("A"), QStringLiteral("B")}));
    m_preferences->setStringArray(kUsed, {QStringLiteral("A"), QStringLiteral("B")});
    m_preferences->setString(kAssignment, QStringLiteral("2024-03-04|B"));
    QCOMPARE(engine.assignNext(QStringLiteral("2024-03-05")), std::nullopt);
    QCOMPARE(used(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    QCOMPARE(assignment(), QStringLiteral("2024-03-04|B"));
}

void TestPromptEngine::readsStoredAssignments_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("consumes");

    QTest::newRow("today") << QStringLiteral("2024-03-05|B") << QStringLiteral("B") << false;
    QTest::newRow("id holding a bar") << QStringLiteral("2024-03-05|x|y") << QStringLiteral("x|y") << false;
    QTest::newRow("leading bars") << QStringLiteral("||2024-03-05|x|y") << QStringLiteral("x|y") << false;
    QTest::newRow("double bar joins the id") << QStringLiteral("2024-03-05||y") << QStringLiteral("A") << true;
    QTest::newRow("another day") << QStringLiteral("2024-03-04|B") << QStringLiteral("A") << true;
    QTest::newRow("id gone from the bank") << QStringLiteral("2024-03-05|Z") << QStringLiteral("A") << true;
    QTest::newRow("no bar") << QStringLiteral("2024-03-05") << QStringLiteral("A") << true;
    QTest::newRow("empty id") << QStringLiteral("2024-03-05|") << QStringLiteral("A") << true;
    QTest::newRow("only a bar") << QStringLiteral("|") << QStringLiteral("A") << true;
}

void TestPromptEngine::readsStoredAssignments()
{
    QFETCH(QString, stored);
    QFETCH(QString, expected);
    QFETCH(bool, consumes);
    PromptEngine engine(bankOf({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("x|y")}));
    m_preferences->setString(kAssignment, stored);
    m_preferences->setStringArray(kUsed, {QStringLiteral("B")});

    QCOMPARE(engine.todaysPrompt(berlin(5, 12), m_calendar)->id, expected);
    if (consumes) {
        QCOMPARE(used(), (QStringList{QStringLiteral("B"), expected}));
        QCOMPARE(assignment(), QStringLiteral("2024-03-05|") + expected);
    } else {
        QCOMPARE(used(), QStringList{QStringLiteral("B")});
        QCOMPARE(assignment(), stored);
    }
}

void TestPromptEngine::emptyBankTouchesNothing()
{
    PromptEngine engine(PromptEngine::Bank{});
    QCOMPARE(engine.todaysPrompt(berlin(5, 12), m_calendar), std::nullopt);
    QVERIFY(!m_preferences->contains(kAssignment));
    QVERIFY(!m_preferences->contains(kUsed));

    m_preferences->setString(kAssignment, QStringLiteral("2024-03-01|A"));
    m_preferences->setStringArray(kUsed, {QStringLiteral("A"), QStringLiteral("B")});
    QCOMPARE(engine.assignNext(QStringLiteral("2024-03-05")), std::nullopt);
    QCOMPARE(assignment(), QStringLiteral("2024-03-01|A"));
    QCOMPARE(used(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));

    // A value of the wrong type reads as no assignment.
    PromptEngine withPrompts(bankOf({QStringLiteral("A")}));
    m_preferences->setStringArray(kAssignment, {QStringLiteral("2024-03-05"), QStringLiteral("A")});
    QCOMPARE(withPrompts.todaysPrompt(berlin(5, 12), m_calendar)->id, QStringLiteral("A"));
    QCOMPARE(assignment(), QStringLiteral("2024-03-05|A"));
}

void TestPromptEngine::enginesAgree()
{
    const PromptEngine::Bank bank = bankOf({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    PromptEngine today(bank);
    PromptEngine panel(bank);

    QCOMPARE(today.todaysPrompt(berlin(5, 9), m_calendar)->id, QStringLiteral("A"));
    QCOMPARE(panel.todaysPrompt(berlin(5, 9, 5), m_calendar)->id, QStringLiteral("A"));
    QCOMPARE(used(), QStringList{QStringLiteral("A")});

    QCOMPARE(panel.assignNext(QStringLiteral("2024-03-05"))->id, QStringLiteral("B"));
    QCOMPARE(today.todaysPrompt(berlin(5, 10), m_calendar)->id, QStringLiteral("B"));

    // Same through the user's current calendar.
    qputenv("TZ", "Europe/Berlin");
    QCOMPARE(today.todaysPrompt(berlin(5, 11))->id, QStringLiteral("B"));
}

void TestPromptEngine::stateSurvivesARestart()
{
    {
        PromptEngine engine(bankOf({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
        QCOMPARE(engine.todaysPrompt(berlin(5, 9), m_calendar)->id, QStringLiteral("A"));
        QCOMPARE(engine.assignNext(QStringLiteral("2024-03-05"))->id, QStringLiteral("B"));
        Preferences().setValue(PreferenceKeys::nudgeHour, 22);
    }
    // A new process reads the file afresh, with no cache shared with this one.
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kReportState), m_dir.path()});
    QVERIFY(child.waitForFinished(20000));
    QCOMPARE(child.readAllStandardOutput(), QByteArray("B 22"));
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], kReportState) == 0) {
        qputenv("XDG_CONFIG_HOME", argv[2]);
        PromptEngine engine(bankOf({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
        const Calendar calendar = Calendar::make(QStringLiteral("de_DE"), QStringLiteral("Europe/Berlin"));
        const std::optional<Prompt> prompt = engine.todaysPrompt(berlin(5, 20), calendar);
        std::printf("%s %d", qPrintable(prompt ? prompt->id : QString()),
                    Preferences().value(PreferenceKeys::nudgeHour));
        return 0;
    }
    TestPromptEngine test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestPromptEngine.moc"
