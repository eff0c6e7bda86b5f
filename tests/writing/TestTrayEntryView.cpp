// SPDX-License-Identifier: GPL-3.0-or-later
// The tray panel's writing surface: locked and unlocked, and writing that meets the Today screen in the store.
#include "journal/Clock.h"
#include "reminders/ReminderScheduler.h"
#include "ui/FilledButton.h"
#include "ui/PlainTextEditor.h"
#include "ui/TextBlock.h"
#include "writing/TrayEntryView.h"
#include "writing/TodayView.h"

#include "FailingVfs.h"
#include "TempJournal.h"
#include "Widgets.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

using namespace wendle;
using namespace wendle::test;

namespace {

const QDateTime kMorning = QDateTime(QDate(2026, 3, 5), QTime(10, 0), QTimeZone("Europe/Berlin")).toUTC();

PromptEngine::Bank bank()
{
    return {{{QStringLiteral("A"), PromptCategory::memory, QStringLiteral("Prompt A")},
             {QStringLiteral("B"), PromptCategory::future, QStringLiteral("Prompt B")}}};
}

} // namespace

class TestTrayEntryView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void lockedShowsOnlyTitleUnlockAndUpdates();
    void panelAndTodayMeetInTheStore();
    void panelAndTodayNeverPutOutEachOthersWords();
    void noPromptOffersFreeWriting();
    void refusedSaveIsNotCalledSaved();
    void pendingSaveOutlivesTheLock();

private:
    TrayEntryView& show(PromptEngine::Bank prompts = bank(), bool unlocked = true);
    void type(const QString& text) { QTest::keyClicks(named<PlainTextEditor>(m_view.get(), "entry"), text); }
    QString saved(const char* promptID) const
    {
        const Entry* found = m_journal->store->firstEntry(QStringLiteral("2026-03-05"), QString::fromLatin1(promptID));
        return found ? openEntryText(found->cipherBody(), *m_journal->key) : QStringLiteral("<none>");
    }

    QTemporaryDir m_settings;
    std::unique_ptr<TempJournal> m_journal;
    ReminderScheduler m_scheduler;
    ManualClock m_clock{kMorning};
    std::unique_ptr<TrayEntryView> m_view;
};

void TestTrayEntryView::initTestCase()
{
    FailingVfs::install();
    qputenv("TZ", "Europe/Berlin");
    qputenv("LC_ALL", "en_US.UTF-8");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void TestTrayEntryView::init()
{
    QSettings(QStringLiteral("wendle"), QStringLiteral("wendle")).clear();
    FailingVfs::setFailing(false);
    m_journal = std::make_unique<TempJournal>();
}

void TestTrayEntryView::cleanup()
{
    m_view.reset();
    m_journal.reset();
}

TrayEntryView& TestTrayEntryView::show(PromptEngine::Bank prompts, bool unlocked)
{
    m_view = std::make_unique<TrayEntryView>(*m_journal->store, m_scheduler, m_clock,
                                                std::make_unique<PromptEngine>(std::move(prompts)));
    m_view->setKey(unlocked ? m_journal->key : nullptr);
    m_view->show();
    QApplication::setActiveWindow(m_view.get());
    if (!QTest::qWaitForWindowExposed(m_view.get())) {
        qWarning("the panel was not shown");
    }
    return *m_view;
}

void TestTrayEntryView::lockedShowsOnlyTitleUnlockAndUpdates()
{
    m_journal->add(QStringLiteral("2026-03-05"), QStringLiteral("A"), words(30));
    QVERIFY(m_journal->store->save());
    TrayEntryView& view = show(bank(), false);
    QVERIFY(labelStarting(&view, QStringLiteral("w e n d l e")));
    auto* unlock = named<QAbstractButton>(&view, QStringLiteral("unlock"));
    QVERIFY(unlock);
    QCOMPARE(unlock->text(), QStringLiteral("Unlock with password"));
    QVERIFY(!named(&view, QStringLiteral("entry")));
    QVERIFY(!named(&view, QStringLiteral("Done")));
    QVERIFY(view.session().text().isEmpty());

    auto* updates = named<QAbstractButton>(&view, QStringLiteral("check for updates"));
    QVERIFY(updates && !updates->isEnabled());
    view.setCanCheckForUpdates(true);
    QSignalSpy checks(&view, &TrayEntryView::checkForUpdatesRequested);
    updates->click();
    QCOMPARE(checks.count(), 1);
    QSignalSpy unlocks(&view, &TrayEntryView::unlockRequested);
    unlock->click();
    QCOMPARE(unlocks.count(), 1);

    // The key arriving brings today's entry; its going takes the text away at once.
    view.setKey(m_journal->key);
    QVERIFY(named(&view, QStringLiteral("entry")));
    QCOMPARE(view.session().text(), words(30));
    QVERIFY(view.session().isDone());
    view.setKey(nullptr);
    QVERIFY(!named(&view, QStringLiteral("entry")));
    QVERIFY(view.session().text().isEmpty());
}

void TestTrayEntryView::panelAndTodayMeetInTheStore()
{
    TrayEntryView& view = show();
    QCOMPARE(view.session().prompt()->id, QStringLiteral("A"));
    type(words(25));
    QTest::keyClick(named(&view, QStringLiteral("entry")), Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(view.session().isDone());
    QCOMPARE(named<FilledButton>(&view, QStringLiteral("Done"))->text(), QStringLiteral("Saved"));
    QCOMPARE(saved("A"), words(25));
    QCOMPARE(m_journal->store->firstEntry(QStringLiteral("2026-03-05"), QStringLiteral("A"))->creditedWords(), 25);

    {
        TodayView today(*m_journal->store, m_scheduler, m_journal->key, {}, m_clock,
                        std::make_unique<PromptEngine>(bank()));
        today.show();
        QCOMPARE(today.session().text(), words(25));
        QCOMPARE(today.headerDayNumber(), 1);
    }

    // Words written freeform on the Today screen count towards the panel's day.
    cleanup();
    init();
    TodayView freeform(*m_journal->store, m_scheduler, m_journal->key, {}, m_clock,
                       std::make_unique<PromptEngine>(bank()));
    freeform.show();
    freeform.switchMode(TodayView::Mode::freeform);
    QTest::keyClicks(named<PlainTextEditor>(&freeform, QStringLiteral("entry")), words(12));
    freeform.finishDay();
    QVERIFY(!freeform.session().isDone());
    TrayEntryView& panel = show();
    type(words(8));
    QVERIFY(!panel.session().isDone());
    panel.session().finishDay();
    QVERIFY(panel.session().isDone());
    QCOMPARE(saved("A"), words(8));
}

void TestTrayEntryView::panelAndTodayNeverPutOutEachOthersWords()
{
    TodayView today(*m_journal->store, m_scheduler, m_journal->key, {}, m_clock,
                    std::make_unique<PromptEngine>(bank()));
    today.show();
    auto* todayEditor = named<PlainTextEditor>(&today, QStringLiteral("entry"));
    // The panel opens while the Today screen's words still wait for their pause: it starts from them.
    QTest::keyClicks(todayEditor, QStringLiteral("morning"));
    TrayEntryView& panel = show();
    QCOMPARE(panel.session().text(), QStringLiteral("morning"));
    type(QStringLiteral(" tray"));
    QTRY_COMPARE_WITH_TIMEOUT(saved("A"), QStringLiteral("morning tray"), 3000);
    QCOMPARE(today.session().text(), QStringLiteral("morning tray"));

    // Each takes up what the other saved while nothing typed on it waits.
    QTest::keyClicks(todayEditor, QStringLiteral(" evening"));
    QTRY_COMPARE_WITH_TIMEOUT(panel.session().text(), QStringLiteral("morning tray evening"), 3000);
    type(QStringLiteral(" night"));
    QTRY_COMPARE_WITH_TIMEOUT(saved("A"), QStringLiteral("morning tray evening night"), 3000);
    QCOMPARE(today.session().text(), QStringLiteral("morning tray evening night"));
}

void TestTrayEntryView::noPromptOffersFreeWriting()
{
    TrayEntryView& view = show(PromptEngine::Bank());
    QVERIFY(!view.session().prompt());
    QVERIFY(!named(&view, QStringLiteral("entry")));
    QVERIFY(!named(&view, QStringLiteral("Done")));
    const TextBlock* line = view.findChildren<TextBlock*>().constLast();
    QVERIFY(line->isVisibleTo(&view) && line->text().startsWith(QStringLiteral("Prompts could not be loaded")));

    auto* writeFreely = named<QAbstractButton>(&view, QStringLiteral("write freely"));
    QVERIFY(writeFreely);
    writeFreely->click();
    auto* editor = named<PlainTextEditor>(&view, QStringLiteral("entry"));
    QVERIFY(editor && editor->hasFocus());
    QVERIFY(!named(&view, QStringLiteral("write freely")));
    type(words(20));
    QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(view.session().isDone());
    QCOMPARE(saved("freeform"), words(20));
}

void TestTrayEntryView::refusedSaveIsNotCalledSaved()
{
    TrayEntryView& view = show();
    QVERIFY(!labelStarting(&view, QStringLiteral("Not saved yet")));
    // The disk is full: finishing cannot write the words, and the panel says so instead of "Saved".
    FailingVfs::setFailing(true);
    type(words(25));
    QTest::keyClick(named(&view, QStringLiteral("entry")), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(named<FilledButton>(&view, QStringLiteral("Done"))->text(), QStringLiteral("Done"));
    QLabel* problem = labelStarting(&view, QStringLiteral("Not saved yet"));
    QVERIFY(problem && problem->isVisible());
    QCOMPARE(problem->text(), QStringLiteral("Not saved yet — the disk is full. Wendle keeps trying."));
    // Nor does the panel, closed and opened again, call them saved.
    view.hide();
    view.show();
    QVERIFY(!view.session().isDone());

    // Once the store's retry writes them, the Done that was pressed becomes "Saved" of itself.
    FailingVfs::setFailing(false);
    QTRY_VERIFY_WITH_TIMEOUT(!problem->isVisible(), EntryStore::retryMilliseconds + 1000);
    QCOMPARE(saved("A"), words(25));
    QVERIFY(view.session().isDone());
}

void TestTrayEntryView::pendingSaveOutlivesTheLock()
{
    TrayEntryView& view = show();
    type(words(5));
    view.setKey(nullptr);
    QCOMPARE(saved("A"), QStringLiteral("<none>"));
    QTRY_COMPARE_WITH_TIMEOUT(saved("A"), words(5), 3000);
}

QTEST_MAIN(TestTrayEntryView)
#include "TestTrayEntryView.moc"
