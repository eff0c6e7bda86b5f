// SPDX-License-Identifier: GPL-3.0-or-later
// What every writing surface shares: today's entry, the autosave, finishing the day and following the store.
#include "writing/WritingSession.h"

#include "WritingJournal.h"

#include <QElapsedTimer>
#include <QSignalSpy>

using namespace wendle;
using namespace wendle::test;
using Mode = WritingSession::Mode;
using Surface = WritingSession::Surface;

class TestWritingSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { setUpWritingTests(m_settings); }
    void init() { m_journal = std::make_unique<WritingJournal>(); }
    void cleanup() { m_journal.reset(); }
    void savesOnceAfterChangesPauseIntoTheJournalDay();
    void unreadableEntryIsKeptAside();
    void doneNeedsTwentyWordsInTheFile();
    void surfacesNeverPutOutEachOthersWords();
    void pendingSaveOutlivesKeyAndSession();
    void dayWithoutPrompts();

private:
    std::unique_ptr<WritingSession> open(Surface surface = Surface::today,
                                         std::unique_ptr<PromptEngine> engine = twoPrompts())
    {
        auto session = std::make_unique<WritingSession>(surface, *m_journal->store, m_journal->scheduler,
                                                        m_journal->clock, m_journal->key, std::move(engine));
        session->appear();
        return session;
    }

    QTemporaryDir m_settings;
    std::unique_ptr<WritingJournal> m_journal;
};

void TestWritingSession::savesOnceAfterChangesPauseIntoTheJournalDay()
{
    const auto session = open();
    // A change every 300 ms for two seconds: no pause is long enough to save, unless a loaded machine stretches
    // one past a second.
    QSignalSpy changes(m_journal->store.get(), &EntryStore::changed);
    QString text;
    for (int i = 0; i < 7; ++i) {
        session->edit(text += QStringLiteral("go "));
        QElapsedTimer gap;
        gap.start();
        const qsizetype saves = changes.count();
        QTest::qWait(300);
        QVERIFY2(changes.count() == saves || gap.elapsed() >= 1000, "saved before a second's pause");
    }
    // The pause saves once, and nothing is saved again while nothing changes.
    QTRY_COMPARE_WITH_TIMEOUT(m_journal->saved("A"), text, 5000);
    const qsizetype saves = changes.count();
    QTest::qWait(1200);
    QCOMPARE(changes.count(), saves);
    QVERIFY(!m_journal->store->hasUnsavedChanges());
    QCOMPARE(m_journal->entry("A")->creditedWords(), 7);
    QCOMPARE(m_journal->entry("A")->categoryRaw(), QStringLiteral("memory"));

    // Changed at 02:59 and saved after 03:00: the text goes to the new journal day's entry.
    m_journal->clock.set(berlin(6, 2, 59, 30));
    session->edit(text + QStringLiteral("late"));
    m_journal->clock.set(berlin(6, 3, 0, 1));
    QTRY_COMPARE_WITH_TIMEOUT(m_journal->saved("A", "2026-03-06"), text + QStringLiteral("late"), 3000);
    QCOMPARE(m_journal->saved("A"), text);
}

void TestWritingSession::unreadableEntryIsKeptAside()
{
    const auto lostKey = EntryKey::random();
    m_journal->write("2026-03-05", "A", QStringLiteral("written under a lost key"), lostKey.get());
    const QByteArray unreadable = m_journal->entry("A")->cipherBody();

    // Loaded as empty text, and never saved over until the user writes.
    const auto session = open();
    QCOMPARE(session->text(), QString());
    QTest::qWait(1200);
    QCOMPARE(m_journal->entry("A")->cipherBody(), unreadable);

    session->edit(QStringLiteral("fresh"));
    QTRY_COMPARE_WITH_TIMEOUT(m_journal->saved("A"), QStringLiteral("fresh"), 3000);
    QCOMPARE(m_journal->store->displacedBodies().size(), std::size_t(1));
}

void TestWritingSession::doneNeedsTwentyWordsInTheFile()
{
    m_journal->write("2026-03-05", "freeform", words(12));
    m_journal->write("2026-03-05", "A", words(8));
    // A finished day loads as done on the tray; on the Today screen a load that changes the text is a change.
    QVERIFY(open(Surface::tray)->isDone());
    const auto session = open();
    QVERIFY(!session->isDone());

    const QString today = QStringLiteral("2026-03-05");
    session->edit(words(7));
    session->finishDay();
    QVERIFY(!session->isDone());
    QVERIFY(!m_journal->scheduler.completedDays().contains(today));
    session->edit(words(8));
    session->finishDay();
    QVERIFY(session->isDone());
    QVERIFY(m_journal->scheduler.completedDays().contains(today));
    // Any change undoes it at once.
    session->edit(words(9));
    QVERIFY(!session->isDone());

    // An empty text loads as not done, but finishing counts the day's other words and saves nothing.
    session->giveMeAnother();
    QVERIFY(!session->isDone());
    session->finishDay();
    QVERIFY(session->isDone());
    QVERIFY(!m_journal->entry("B"));

    // The disk is full: finishing cannot write the words, and loading again does not call them done either.
    FailingVfs::setFailing(true);
    session->edit(words(25));
    session->finishDay();
    QVERIFY(!session->isDone());
    session->loadEntry();
    QVERIFY(!session->isDone());
    // Once the store's retry writes them, the Done that was pressed holds of itself.
    FailingVfs::setFailing(false);
    QTRY_VERIFY_WITH_TIMEOUT(session->isDone(), EntryStore::retryMilliseconds + 1000);
    QCOMPARE(m_journal->saved("B"), words(25));
}

void TestWritingSession::surfacesNeverPutOutEachOthersWords()
{
    // That the panel starts from the Today screen's waiting words, and the Today screen takes up the panel's saved
    // ones, TestTrayEntryView checks through both views.
    const auto today = open();
    const auto tray = open(Surface::tray);
    tray->edit(QStringLiteral("morning tray"));
    QTRY_COMPARE_WITH_TIMEOUT(today->text(), QStringLiteral("morning tray"), 3000);

    // Each takes up what the other saved while nothing changed on it waits; a change that waits is kept.
    today->edit(QStringLiteral("morning tray evening"));
    tray->saveNow();
    QCOMPARE(today->text(), QStringLiteral("morning tray evening"));
    QTRY_COMPARE_WITH_TIMEOUT(m_journal->saved("A"), QStringLiteral("morning tray evening"), 3000);
    QCOMPARE(tray->text(), QStringLiteral("morning tray evening"));
    tray->edit(QStringLiteral("morning tray evening night"));
    QTRY_COMPARE_WITH_TIMEOUT(today->text(), QStringLiteral("morning tray evening night"), 3000);
    QCOMPARE(m_journal->saved("A"), QStringLiteral("morning tray evening night"));
}

void TestWritingSession::pendingSaveOutlivesKeyAndSession()
{
    const auto tray = open(Surface::tray);
    tray->edit(words(5));
    tray->setKey(nullptr);
    QVERIFY(tray->text().isEmpty());
    {
        const auto today = open();
        today->switchMode(Mode::freeform);
        today->edit(words(3));
    }
    QVERIFY(!m_journal->entry("A") && !m_journal->entry("freeform"));
    QTRY_COMPARE_WITH_TIMEOUT(m_journal->saved("A"), words(5), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(m_journal->saved("freeform"), words(3), 3000);
}

void TestWritingSession::dayWithoutPrompts()
{
    // The Today screen writes freely at once.
    const auto today = open(Surface::today, noPrompts());
    QVERIFY(!today->prompt());
    QCOMPARE(today->mode(), Mode::freeform);
    today->edit(words(20));
    QTRY_COMPARE_WITH_TIMEOUT(m_journal->saved("freeform"), words(20), 3000);

    // The panel has nothing to write to, nor to finish, until free writing is asked for.
    const auto tray = open(Surface::tray, noPrompts());
    QVERIFY(!tray->hasTarget() && tray->text().isEmpty());
    tray->finishDay();
    QVERIFY(!tray->isDone());
    tray->switchMode(Mode::freeform);
    QCOMPARE(tray->text(), words(20));
    tray->finishDay();
    QVERIFY(tray->isDone());
}

QTEST_GUILESS_MAIN(TestWritingSession)
#include "TestWritingSession.moc"
