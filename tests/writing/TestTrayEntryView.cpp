// SPDX-License-Identifier: GPL-3.0-or-later
// The tray panel's writing surface: locked and unlocked, and writing that meets the Today screen in the store.
#include "journal/TextSize.h"
#include "ui/FilledButton.h"
#include "ui/PlainTextEditor.h"
#include "ui/TextBlock.h"
#include "writing/TodayView.h"
#include "writing/TrayEntryView.h"

#include "Widgets.h"
#include "WritingJournal.h"

#include <QSignalSpy>

using namespace wendle;
using namespace wendle::test;

class TestTrayEntryView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { setUpWritingTests(m_settings); }
    void init() { m_journal = std::make_unique<WritingJournal>(); }
    void cleanup()
    {
        m_view.reset();
        m_journal.reset();
    }
    void lockedShowsOnlyTitleUnlockAndUpdates();
    void panelAndTodayMeetInTheStore();
    void noPromptOffersFreeWriting();
    void refusedSaveIsNotCalledSaved();

private:
    TrayEntryView& show(std::unique_ptr<PromptEngine> engine = twoPrompts(), bool unlocked = true)
    {
        m_view = std::make_unique<TrayEntryView>(*m_journal->store, m_journal->scheduler, m_journal->clock,
                                                 std::move(engine));
        m_view->setKey(unlocked ? m_journal->key : nullptr);
        showActive(m_view.get());
        return *m_view;
    }
    void type(const QString& text) { QTest::keyClicks(named<PlainTextEditor>(m_view.get(), "entry"), text); }

    QTemporaryDir m_settings;
    std::unique_ptr<WritingJournal> m_journal;
    std::unique_ptr<TrayEntryView> m_view;
};

void TestTrayEntryView::lockedShowsOnlyTitleUnlockAndUpdates()
{
    m_journal->write("2026-03-05", "A", words(30));
    TrayEntryView& view = show(twoPrompts(), false);
    QVERIFY(labelStarting(&view, QStringLiteral("w e n d l e")));
    auto* unlock = named<QAbstractButton>(&view, QStringLiteral("Unlock with password"));
    QVERIFY(unlock);
    QVERIFY(!named(&view, QStringLiteral("entry")) && !named(&view, QStringLiteral("Done")));
    QVERIFY(view.session().text().isEmpty());

    auto* updates = named<QAbstractButton>(&view, QStringLiteral("Check for updates"));
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
    QCOMPARE(named<PlainTextEditor>(&view, QStringLiteral("entry"))->text(), words(30));
    QVERIFY(named<FilledButton>(&view, QStringLiteral("Saved")));
    view.setKey(nullptr);
    QVERIFY(!named(&view, QStringLiteral("entry")) && view.session().text().isEmpty());
}

void TestTrayEntryView::panelAndTodayMeetInTheStore()
{
    TodayView today(*m_journal->store, m_journal->scheduler, m_journal->key, {}, m_journal->clock, twoPrompts());
    today.show();
    auto* todayEditor = named<PlainTextEditor>(&today, QStringLiteral("entry"));
    // The panel opens while the Today screen's words still wait for their pause: its editor starts from them.
    QTest::keyClicks(todayEditor, words(24));
    TrayEntryView& panel = show();
    auto* editor = named<PlainTextEditor>(&panel, QStringLiteral("entry"));
    QCOMPARE(editor->text(), words(24));
    type(QStringLiteral(" tray"));
    QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(named<FilledButton>(&panel, QStringLiteral("Saved")));
    QCOMPARE(m_journal->saved("A"), words(24) + QStringLiteral(" tray"));
    // The Today screen takes it up, and its day number counts the day.
    QCOMPARE(todayEditor->text(), words(24) + QStringLiteral(" tray"));
    QCOMPARE(today.headerDayNumber(), 1);
    // Sizing the text in the panel sizes it on the Today screen too.
    QTest::keyClick(editor, Qt::Key_Equal, Qt::ControlModifier);
    QCOMPARE(std::pair(editor->font().pixelSize(), todayEditor->font().pixelSize()), std::pair(14, 14));
    TextSize::shared().reset();
}

void TestTrayEntryView::noPromptOffersFreeWriting()
{
    TrayEntryView& view = show(noPrompts());
    QVERIFY(!named(&view, QStringLiteral("entry")) && !named(&view, QStringLiteral("Done")));
    const TextBlock* line = view.findChildren<TextBlock*>().constLast();
    QVERIFY(line->isVisibleTo(&view) && line->text().startsWith(QStringLiteral("Prompts could not be loaded")));

    auto* writeFreely = named<QAbstractButton>(&view, QStringLiteral("write freely"));
    QVERIFY(writeFreely);
    writeFreely->click();
    auto* editor = named<PlainTextEditor>(&view, QStringLiteral("entry"));
    QVERIFY(editor && editor->hasFocus());
    QVERIFY(named(&view, QStringLiteral("Done")) && !named(&view, QStringLiteral("write freely")));
}

void TestTrayEntryView::refusedSaveIsNotCalledSaved()
{
    TrayEntryView& view = show();
    // The disk is full: finishing cannot write the words, and the panel says so instead of "Saved". (That loading
    // again does not call them saved either is the shared session's to check.)
    FailingVfs::setFailing(true);
    type(words(25));
    QTest::keyClick(named(&view, QStringLiteral("entry")), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(named<FilledButton>(&view, QStringLiteral("Done"))->text(), QStringLiteral("Done"));
    QLabel* problem = labelStarting(&view, QStringLiteral("Not saved yet"));
    QVERIFY(problem && problem->isVisible());
}

QTEST_MAIN(TestTrayEntryView)
#include "TestTrayEntryView.moc"
