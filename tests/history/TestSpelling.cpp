// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/SpellingHighlighter.h"
#include "history/SpellingMenu.h"
#include "journal/EnchantSpellChecker.h"
#include "journal/EntryCrypto.h"
#include "journal/InMemorySpellChecker.h"
#include "journal/OwnWords.h"
#include "journal/Preferences.h"
#include "journal/Spelling.h"
#include "reminders/WritingSettings.h"
#include "ui/Palette.h"
#include "ui/PlainTextEditor.h"
#include "ui/SwitchToggle.h"

#include "TempJournal.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

using namespace wendle;
using namespace wendle::test;

namespace {

QSet<QString> english()
{
    return {QStringLiteral("the"), QStringLiteral("cat"),   QStringLiteral("sat"),
            QStringLiteral("cut"), QStringLiteral("coat"),  QStringLiteral("on"),
            QStringLiteral("mat"), QStringLiteral("isn't"), QStringLiteral("I")};
}

// The words shown with the wavy line, as the editor lays them out.
QStringList underlined(const PlainTextEditor& editor)
{
    QStringList words;
    for (QTextBlock block = editor.document()->begin(); block.isValid(); block = block.next()) {
        for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
            if (range.format.underlineStyle() == QTextCharFormat::WaveUnderline
                && range.format.underlineColor() == Palette::misspelt()) {
                words << block.text().mid(range.start, range.length);
            }
        }
    }
    return words;
}

QStringList actionTexts(const QMenu& menu)
{
    QStringList texts;
    for (const QAction* action : menu.actions()) {
        texts << action->text();
    }
    return texts;
}

} // namespace

class TestSpelling : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void findsTheWordsWorthChecking_data();
    void findsTheWordsWorthChecking();
    void enchantChecksWithTheSystemsDictionary();
    void underlinesAndCorrectsAsYouType();
    void ownWordsStaySealedInTheJournal();
    void settingsOfferTheInstalledDictionaries();

private:
    QTemporaryDir m_settings;
};

void TestSpelling::initTestCase()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void TestSpelling::init()
{
    Spelling::shared().forgetOwnWords();
    Spelling::shared().setEnabled(true);
    Spelling::shared().useChecker(std::make_unique<InMemorySpellChecker>(
        QHash<QString, QSet<QString>>{{QStringLiteral("en_US"), english()}, {QStringLiteral("fr"), {}}}));
    Spelling::shared().setLanguage(QStringLiteral("en_US"));
}

void TestSpelling::findsTheWordsWorthChecking_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("apostrophes and accents keep a word whole")
        << QStringLiteral("Isn't l'été lovely?") << QStringList{"Isn't", "l'été", "lovely"};
    QTest::newRow("a hyphen joins two words") << QStringLiteral("well-known") << QStringList{"well", "known"};
    QTest::newRow("numbers, capitals, addresses are skipped")
        << QStringLiteral("On 3rd May NASA wrote to me@example.org via https://x.org/teh and www.teh.com 42")
        << QStringList{"On", "May", "wrote", "to", "via", "and"};
    QTest::newRow("other scripts") << QStringLiteral("Привет мир") << QStringList{"Привет", "мир"};
}

void TestSpelling::findsTheWordsWorthChecking()
{
    QFETCH(QString, text);
    QFETCH(QStringList, words);
    QStringList found;
    for (const WordSpan& word : checkableWords(text)) {
        found << text.mid(word.start, word.length);
    }
    QCOMPARE(found, words);
}

void TestSpelling::enchantChecksWithTheSystemsDictionary()
{
    // The test session has hunspell-en-us installed.
    EnchantSpellChecker enchant;
    QVERIFY(enchant.languages().contains(QStringLiteral("en_US")));
    QVERIFY(!enchant.setLanguage(QStringLiteral("xx_YY")));
    QVERIFY(enchant.language().isEmpty() && enchant.isCorrect(QStringLiteral("helo")));
    QVERIFY(enchant.setLanguage(QStringLiteral("en_US")));
    QVERIFY(enchant.isCorrect(QStringLiteral("hello")) && enchant.isCorrect(QStringLiteral("isn't")));
    QVERIFY(!enchant.isCorrect(QStringLiteral("helo")));
    const QStringList suggestions = enchant.suggestions(QStringLiteral("helo"), 6);
    QVERIFY(suggestions.contains(QStringLiteral("hello")) && suggestions.size() <= 6);
    // Session words are accepted until forgotten, and never reach Enchant's personal word list on disk.
    enchant.addSessionWord(QStringLiteral("Wendlish"));
    QVERIFY(enchant.isCorrect(QStringLiteral("Wendlish")));
    enchant.forgetSessionWords();
    QVERIFY(!enchant.isCorrect(QStringLiteral("Wendlish")));
    QCOMPARE(enchant.language(), QStringLiteral("en_US"));
    const QDir enchantConfig(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/enchant"));
    for (const QString& file : enchantConfig.entryList(QDir::Files)) {
        QFile list(enchantConfig.filePath(file));
        QVERIFY(list.open(QIODevice::ReadOnly));
        QVERIFY(!list.readAll().contains("Wendlish"));
    }
}

void TestSpelling::underlinesAndCorrectsAsYouType()
{
    PlainTextEditor editor(QFont(), Qt::black, 6);
    SpellingMenu* spelling = SpellingMenu::attach(&editor);
    editor.resize(400, 200);
    editor.show();
    editor.setText(QStringLiteral("the cet sat\nisn't NASA teh mat 42x"));
    QCOMPARE(underlined(editor), (QStringList{"cet", "teh"}));
    // Typing checks the paragraph typed into.
    QTextCursor end(editor.document());
    end.movePosition(QTextCursor::End);
    end.insertText(QStringLiteral(" on mta"));
    QCOMPARE(underlined(editor), (QStringList{"cet", "teh", "mta"}));

    // The menu over a misspelt word: its corrections, then adding and ignoring, above the usual actions.
    const QPoint onCet = editor.cursorRect(QTextCursor(editor.document()->findBlockByNumber(0))).center()
        + QPoint(editor.fontMetrics().horizontalAdvance(QStringLiteral("the c")), 0);
    std::unique_ptr<QMenu> menu = spelling->menuAt(onCet);
    const QStringList texts = actionTexts(*menu);
    QCOMPARE(texts.mid(0, 6), (QStringList{"cat", "cut", "", "Add to dictionary", "Ignore in this entry", ""}));
    QVERIFY(!menu->actions().at(3)->isEnabled()); // locked: nowhere to keep the word
    menu->actions().at(0)->trigger();
    QCOMPARE(editor.text(), QStringLiteral("the cat sat\nisn't NASA teh mat 42x on mta"));
    QCOMPARE(underlined(editor), (QStringList{"teh", "mta"}));
    editor.undo();
    QVERIFY(editor.text().startsWith(QStringLiteral("the cet sat")));
    // Nothing to offer away from a misspelt word.
    QVERIFY(!actionTexts(*spelling->menuAt(QPoint(2, 2))).contains(QStringLiteral("Ignore in this entry")));

    spelling->highlighter()->ignore(QStringLiteral("teh"));
    QCOMPARE(underlined(editor), (QStringList{"cet", "mta"}));
    spelling->highlighter()->forgetIgnored();
    QCOMPARE(underlined(editor), (QStringList{"cet", "teh", "mta"}));

    // A long text set at once shows first and is checked a slice at a time: its end is underlined a moment later.
    const QString shown = editor.text();
    const QString line = QStringLiteral("the cat sat on the mat\n");
    editor.setText(line.repeated(2 * SpellingHighlighter::sliceCharacters / line.size()) + QStringLiteral("teh"));
    QVERIFY(underlined(editor).isEmpty());
    QTRY_COMPARE(underlined(editor), QStringList{QStringLiteral("teh")});
    editor.setText(shown);

    // Off, or in a language whose words these are not, nothing is underlined.
    Spelling::shared().setEnabled(false);
    QVERIFY(underlined(editor).isEmpty());
    Spelling::shared().setEnabled(true);
    Spelling::shared().setLanguage(QStringLiteral("ru"));
    QCOMPARE(Spelling::shared().language(), QStringLiteral("en_US")); // not installed: unchanged
    Spelling::shared().setLanguage(QStringLiteral("fr"));
    QCOMPARE(underlined(editor).size(), 8);
    Spelling::shared().useChecker(std::make_unique<InMemorySpellChecker>(QHash<QString, QSet<QString>>{}));
    QVERIFY(underlined(editor).isEmpty());
}

void TestSpelling::ownWordsStaySealedInTheJournal()
{
    PlainTextEditor editor(QFont(), Qt::black, 6);
    SpellingHighlighter highlighter(editor.document());
    editor.setText(QStringLiteral("the Wendlish mat"));
    QCOMPARE(underlined(editor), QStringList{"Wendlish"});
    TempJournal journal;
    QVERIFY(!Spelling::shared().addWord(QStringLiteral("Wendlish"))); // locked
    openOwnWords(Spelling::shared(), *journal.store, journal.key);
    QVERIFY(Spelling::shared().addWord(QStringLiteral("Wendlish")));
    QVERIFY(underlined(editor).isEmpty());

    // In the file the word is sealed under the journal's key; a journal opened again gives it back.
    const QString path = journal.dir.filePath(QStringLiteral("journal.sqlite"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly) && !file.readAll().contains("Wendlish"));
    Spelling::shared().forgetOwnWords();
    QCOMPARE(underlined(editor), QStringList{"Wendlish"});
    QString error;
    auto reopened = EntryStore::open(path, &error);
    QVERIFY(reopened);
    QCOMPARE(reopened->sealedOwnWords().size(), std::size_t(1));
    openOwnWords(Spelling::shared(), *reopened, journal.key);
    QVERIFY(underlined(editor).isEmpty());
    // A word sealed under another key is not this journal's: it is left out.
    Spelling::shared().forgetOwnWords();
    openOwnWords(Spelling::shared(), *reopened, EntryKey::random());
    QCOMPARE(underlined(editor), QStringList{"Wendlish"});
}

void TestSpelling::settingsOfferTheInstalledDictionaries()
{
    {
        WritingSettings settings;
        QComboBox* languages = settings.spellingLanguage();
        QVERIFY(languages && languages->accessibleName().contains(QStringLiteral("Spelling")));
        QCOMPARE(languages->currentText(), QStringLiteral("English (United States)"));
        languages->setCurrentIndex(languages->findData(QStringLiteral("fr")));
        Q_EMIT languages->activated(languages->currentIndex());
        QCOMPARE(Spelling::shared().language(), QStringLiteral("fr"));
        QCOMPARE(Preferences().string(QString::fromLatin1(PreferenceKeys::spellingLanguage)), QStringLiteral("fr"));
        settings.spellingToggle()->click();
        QVERIFY(!Spelling::shared().enabled() && !languages->isEnabled());
        QVERIFY(!Preferences().value(PreferenceKeys::spellingEnabled));
    }
    Spelling::shared().useChecker(std::make_unique<InMemorySpellChecker>(QHash<QString, QSet<QString>>{}));
    WritingSettings settings;
    QVERIFY(!settings.spellingLanguage() && !settings.spellingToggle()->isEnabled());
    QStringList notes;
    for (const QLabel* label : settings.findChildren<QLabel*>()) {
        notes << label->text();
    }
    QVERIFY(notes.contains(QStringLiteral("No spelling dictionaries are installed")));
}

QTEST_MAIN(TestSpelling)
#include "TestSpelling.moc"
