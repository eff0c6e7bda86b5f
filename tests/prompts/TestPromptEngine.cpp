// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompts/PromptEngine.h"

#include "TempJournal.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

using namespace wendle;

namespace {

const QString kAssignment = QStringLiteral("promptEngine.assignment");
const QString kUsed = QStringLiteral("promptEngine.usedIDs");

PromptEngine::Bank bankOf(const QStringList& ids = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")})
{
    PromptEngine::Bank bank;
    for (const QString& id : ids) {
        bank.prompts.push_back({id, PromptCategory::memory, QStringLiteral("Write about ") + id});
    }
    return bank;
}

QDateTime berlin(int day, int hour, int minute = 0)
{
    return QDateTime(QDate(2024, 3, day), QTime(hour, minute), QTimeZone("Europe/Berlin")).toUTC();
}

const Calendar& berlinCalendar()
{
    static const Calendar calendar = Calendar::make(QStringLiteral("de_DE"), QStringLiteral("Europe/Berlin"));
    return calendar;
}

QString todays(PromptEngine& engine, const QDateTime& now)
{
    const std::optional<Prompt> prompt = engine.todaysPrompt(now, berlinCalendar());
    return prompt ? prompt->id : QStringLiteral("none");
}

} // namespace

class TestPromptEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void walksTheBankDayByDayAndStartsAgain();
    void storedAssignmentsAndAnEmptyBank();
    void loading();
    void shippedBankMeetsItsRules();

private:
    /** The used ids, comma-separated. */
    QString used() const { return m_preferences->stringArray(kUsed).value_or(QStringList()).join(u','); }
    void setUsed(const QString& ids) { m_preferences->setStringArray(kUsed, ids.split(u',')); }
    std::optional<QString> assignment() const { return m_preferences->string(kAssignment); }

    QTemporaryDir m_dir;
    std::unique_ptr<Preferences> m_preferences;
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

void TestPromptEngine::walksTheBankDayByDayAndStartsAgain()
{
    PromptEngine engine(bankOf());
    PromptEngine panel(bankOf()); // another screen's engine: the state is shared, not held by either

    QCOMPARE(todays(engine, berlin(5, 10)), QStringLiteral("A"));
    QCOMPARE(used(), QStringLiteral("A"));
    QCOMPARE(assignment(), QStringLiteral("2024-03-05|A"));

    // The same day, later, elsewhere, and in the small hours of the next date: still A, nothing consumed.
    QCOMPARE(todays(engine, berlin(5, 22)), QStringLiteral("A"));
    QCOMPARE(todays(panel, berlin(6, 1, 30)), QStringLiteral("A"));
    QCOMPARE(used(), QStringLiteral("A"));

    // At 03:00 the day turns.
    QCOMPARE(todays(engine, berlin(6, 3)), QStringLiteral("B"));
    QCOMPARE(used(), QStringLiteral("A,B"));

    // "Give me another" takes the next unused prompt; the replaced one stays used.
    QCOMPARE(panel.assignNext(QStringLiteral("2024-03-06"))->id, QStringLiteral("C"));
    QCOMPARE(assignment(), QStringLiteral("2024-03-06|C"));
    QCOMPARE(used(), QStringLiteral("A,B,C"));
    QCOMPARE(todays(engine, berlin(6, 20)), QStringLiteral("C"));

    // The next day finds the list full: it starts again at the head of the bank.
    QCOMPARE(todays(engine, berlin(7, 9)), QStringLiteral("A"));
    QCOMPARE(used(), QStringLiteral("A"));

    // Through the user's own calendar: 03:30 in Berlin is already the 8th there, not yet in UTC.
    qputenv("TZ", "Europe/Berlin");
    QCOMPARE(engine.todaysPrompt(berlin(8, 3, 30))->id, QStringLiteral("B"));

    // A full list at "give me another" gives the head of the bank, even if that is the prompt on screen.
    setUsed(QStringLiteral("B,C,A"));
    m_preferences->setString(kAssignment, QStringLiteral("2024-03-05|A"));
    QCOMPARE(engine.assignNext(QStringLiteral("2024-03-05"))->id, QStringLiteral("A"));
    QCOMPARE(used(), QStringLiteral("A"));

    // Ids of prompts no longer in the bank count towards the reset too.
    setUsed(QStringLiteral("A,old-1,old-2"));
    QCOMPARE(engine.assignNext(QStringLiteral("2024-03-06"))->id, QStringLiteral("A"));
    QCOMPARE(used(), QStringLiteral("A"));

    // Duplicates in the list count once.
    setUsed(QStringLiteral("A,A,A"));
    QCOMPARE(engine.assignNext(QStringLiteral("2024-03-07"))->id, QStringLiteral("B"));
    QCOMPARE(used(), QStringLiteral("A,A,A,B"));

    // A bank that repeats an id can run out of prompts to hand out: nothing changes.
    PromptEngine repeating(bankOf({QStringLiteral("A"), QStringLiteral("A"), QStringLiteral("B")}));
    setUsed(QStringLiteral("A,B"));
    m_preferences->setString(kAssignment, QStringLiteral("2024-03-04|B"));
    QCOMPARE(repeating.assignNext(QStringLiteral("2024-03-05")), std::nullopt);
    QCOMPARE(used(), QStringLiteral("A,B"));
    QCOMPARE(assignment(), QStringLiteral("2024-03-04|B"));
}

void TestPromptEngine::storedAssignmentsAndAnEmptyBank()
{
    // The stored value, and the prompt it gives on 5 March; an assignment that is not today's consumes one.
    PromptEngine engine(bankOf({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("x|y")}));
    const std::pair<const char*, const char*> kept[]
        = {{"2024-03-05|B", "B"}, {"2024-03-05|x|y", "x|y"}, {"||2024-03-05|x|y", "x|y"}};
    for (const auto& [stored, expected] : kept) {
        m_preferences->setString(kAssignment, QString::fromLatin1(stored));
        setUsed(QStringLiteral("B"));
        QCOMPARE(todays(engine, berlin(5, 12)), QString::fromLatin1(expected));
        QCOMPARE(used(), QStringLiteral("B"));
        QCOMPARE(assignment(), QString::fromLatin1(stored));
    }
    for (const char* stale : {"2024-03-05||y", "2024-03-04|B", "2024-03-05|Z", "2024-03-05", "2024-03-05|", "|"}) {
        m_preferences->setString(kAssignment, QString::fromLatin1(stale));
        setUsed(QStringLiteral("B"));
        QCOMPARE(todays(engine, berlin(5, 12)), QStringLiteral("A"));
        QCOMPARE(used(), QStringLiteral("B,A"));
        QCOMPARE(assignment(), QStringLiteral("2024-03-05|A"));
    }

    // An empty bank touches nothing.
    QSettings(QStringLiteral("wendle"), QStringLiteral("wendle")).clear();
    PromptEngine empty(PromptEngine::Bank{});
    QCOMPARE(todays(empty, berlin(5, 12)), QStringLiteral("none"));
    QVERIFY(!m_preferences->contains(kAssignment));
    QVERIFY(!m_preferences->contains(kUsed));
    m_preferences->setString(kAssignment, QStringLiteral("2024-03-01|A"));
    setUsed(QStringLiteral("A,B"));
    QCOMPARE(empty.assignNext(QStringLiteral("2024-03-05")), std::nullopt);
    QCOMPARE(assignment(), QStringLiteral("2024-03-01|A"));
    QCOMPARE(used(), QStringLiteral("A,B"));
}

void TestPromptEngine::loading()
{
    // A bank file of the test's own holding `content`.
    auto write = [this, files = 0](const QByteArray& content) mutable {
        const QString path = m_dir.filePath(QStringLiteral("prompts-%1.json").arg(++files));
        return test::putFile(path, content) ? path : QString();
    };
    const auto ids = [&](const QByteArray& json) {
        QStringList loaded;
        for (const Prompt& prompt : PromptEngine::loadBank(write(json)).prompts) {
            loaded << prompt.id + u' ' + rawValue(prompt.category) + u' ' + prompt.text;
        }
        return loaded.join(u',');
    };
    const QByteArray a = R"({"id": "a", "category": "memory", "text": "A"})";
    const QByteArray b = R"({"id": "b", "category": "pages", "text": "B"})";
    QCOMPARE(ids("{\"prompts\": [" + a + ", " + b + "]}"), QStringLiteral("a memory A,b pages B"));
    // Extra members and keys are ignored; repeated ids are kept in order.
    QCOMPARE(ids(R"({"version": 3, "prompts": [{"id": "a", "category": "memory", "text": "A", "author": "x"}]})"),
             QStringLiteral("a memory A"));
    QCOMPARE(ids("{\"prompts\": [" + a + ", " + b + ", " + a + "]}"),
             QStringLiteral("a memory A,b pages B,a memory A"));
    // One bad prompt spoils the file: a capitalised category, a missing member, a prompt that is not an object.
    for (const QByteArray& spoilt : {QByteArray(R"({"id": "c", "category": "Memory", "text": "C"})"),
                                     QByteArray(R"({"id": "c", "category": "memory"})"), QByteArray("\"c\"")}) {
        QCOMPARE(ids("{\"prompts\": [" + a + ", " + spoilt + "]}"), QString());
    }
    QCOMPARE(ids(R"({"prompts": []})"), QString());
    QCOMPARE(ids(R"({"prompt": []})"), QString());

    QVERIFY(PromptEngine::loadBank(m_dir.path()).prompts.empty()); // a folder
    QVERIFY(PromptEngine::loadBank(QString()).prompts.empty());
    // What is logged says which file and why, down to the first prompt and member at fault.
    const PromptEngine::Bank missing = PromptEngine::loadBank(m_dir.filePath(QStringLiteral("missing.json")));
    QVERIFY(missing.prompts.empty());
    QVERIFY2(missing.problem.contains(QStringLiteral("missing.json cannot be read")), qPrintable(missing.problem));
    const PromptEngine::Bank truncated = PromptEngine::loadBank(write(R"({"prompts": [{"id": "a", "categ)"));
    QVERIFY(truncated.problem.contains(QStringLiteral("is not valid JSON")));
    const PromptEngine::Bank unknown = PromptEngine::loadBank(write("{\"prompts\": [" + a + R"(,
                              {"id": "b", "category": "weather", "text": "B"}]})"));
    QVERIFY(unknown.prompts.empty());
    QVERIFY2(unknown.problem.endsWith(
                 QStringLiteral(R"(: prompt 2 ("b"): its "category" "weather" is not a known category)")),
             qPrintable(unknown.problem));

    // A translation replaces texts by id, one prompt at a time; a broken one leaves the whole bank in English.
    const auto translated = [&](const QByteArray& json) {
        PromptEngine::Bank bank = PromptEngine::loadBank(write("{\"prompts\": [" + a + ", " + b + "]}"));
        const QString problem = PromptEngine::applyTranslation(bank, write(json));
        return QStringList{bank.prompts[0].id + u' ' + bank.prompts[0].text, bank.prompts[1].text, problem}.join(u'|');
    };
    QCOMPARE(translated(R"({"prompts": {"b": "Be", "z": "Zett"}})"), QStringLiteral("a A|Be|"));
    for (const QByteArray& broken :
         {QByteArray(R"({"prompts": {"a": "Ah", "b": ""}})"), QByteArray(R"({"prompts": {"a": "Ah", "b": 2}})"),
          QByteArray(R"({"prompts": [{"id": "a", "text": "Ah"}]})"), QByteArray(R"({"prompts": {"a": "Ah")")}) {
        QVERIFY2(translated(broken).startsWith(QStringLiteral("a A|B|")), broken);
        QVERIFY(!translated(broken).endsWith(u'|'));
    }
    QFile huge(m_dir.filePath(QStringLiteral("huge.json")));
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(5 * 1024 * 1024));
    QVERIFY(PromptEngine::loadBank(huge.fileName()).problem.contains(QStringLiteral("larger than")));

    // Which file: the first UI language with one, country before language; English, or a tag that is no
    // language, never reaches a file.
    for (const QString& name : {QStringLiteral("prompts.de.json"), QStringLiteral("prompts.pt_BR.json")}) {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QString bankPath = m_dir.filePath(QStringLiteral("prompts.json"));
    const auto chosen = [&](const QStringList& languages) {
        return QFileInfo(PromptEngine::translationPath(bankPath, languages)).fileName();
    };
    QCOMPARE(chosen({QStringLiteral("fr-FR"), QStringLiteral("de-AT"), QStringLiteral("de")}),
             QStringLiteral("prompts.de.json"));
    QCOMPARE(chosen({QStringLiteral("pt-BR")}), QStringLiteral("prompts.pt_BR.json"));
    QCOMPARE(chosen({QStringLiteral("en-GB"), QStringLiteral("de")}), QString());
    QCOMPARE(chosen({QStringLiteral("../prompts"), QStringLiteral("de/../../x")}), QString());
}

void TestPromptEngine::shippedBankMeetsItsRules()
{
    // Beside the program, in the build tree as when installed.
    const QString path = PromptEngine::shippedBankPath();
    QVERIFY2(path.endsWith(QStringLiteral("/share/wendle/prompts.json")), qPrintable(path));
    const std::vector<Prompt> prompts = PromptEngine::loadBank(path).prompts;
    QVERIFY(prompts.size() >= 366);

    QHash<PromptCategory, int> perCategory;
    QSet<QString> ids;
    QSet<QString> texts;
    const QRegularExpression secondPerson(QStringLiteral("\\b(you|your|yours|yourself)\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
    for (std::size_t i = 0; i < prompts.size(); ++i) {
        const Prompt& prompt = prompts[i];
        const QByteArray id = prompt.id.toUtf8();
        ++perCategory[prompt.category];
        ids.insert(prompt.id);
        texts.insert(prompt.text.toLower());
        const QRegularExpression idPattern(u'^' + rawValue(prompt.category) + QStringLiteral("-\\d{3}$"));
        QVERIFY2(idPattern.match(prompt.id).hasMatch(), id);
        QVERIFY2(!prompt.text.isEmpty() && prompt.text.size() <= 160 && prompt.text == prompt.text.trimmed(), id);
        QVERIFY2(secondPerson.match(prompt.text).hasMatch(), id);
        // Days move through the categories: never the same twice running, all six in every seven days.
        QVERIFY2(i == 0 || prompt.category != prompts[i - 1].category, id);
        QSet<PromptCategory> week;
        for (std::size_t day = i; day < i + 7 && i + 7 <= prompts.size(); ++day) {
            week.insert(prompts[day].category);
        }
        QVERIFY2(i + 7 > prompts.size() || week.size() == 6, id);
    }
    QCOMPARE(ids.size(), qsizetype(prompts.size()));
    QCOMPARE(texts.size(), qsizetype(prompts.size()));
    for (const PromptCategory category : allPromptCategories) {
        QVERIFY2(perCategory.value(category) >= 50, qPrintable(rawValue(category)));
    }

    // Every shipped translation is used as a whole and gives every prompt a text of its own.
    const QStringList translations
        = QFileInfo(path).dir().entryList({QStringLiteral("prompts.*.json")}, QDir::Files, QDir::Name);
    QVERIFY(translations.contains(QStringLiteral("prompts.de.json")));
    for (const QString& name : translations) {
        PromptEngine::Bank bank{prompts};
        const QString problem = PromptEngine::applyTranslation(bank, QFileInfo(path).dir().filePath(name));
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        for (std::size_t i = 0; i < prompts.size(); ++i) {
            QVERIFY2(bank.prompts[i].text != prompts[i].text, qPrintable(name + u' ' + prompts[i].id));
            QVERIFY2(bank.prompts[i].text.size() <= 220, qPrintable(name + u' ' + prompts[i].id));
        }
    }
}

QTEST_GUILESS_MAIN(TestPromptEngine)
#include "TestPromptEngine.moc"
