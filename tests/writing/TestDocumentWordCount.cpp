// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/WordCount.h"
#include "ui/PlainTextEditor.h"
#include "writing/DocumentWordCount.h"

#include <QTest>
#include <QTextCursor>

using namespace wendle;

class TestDocumentWordCount : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void followsEveryKindOfEdit();
};

// Counted paragraph by paragraph, kept across edits, the count must always be the whole text's count.
void TestDocumentWordCount::followsEveryKindOfEdit()
{
    PlainTextEditor editor(QFont(), Qt::black, 6);
    const DocumentWordCount words(*editor.document());
    const auto agrees = [&] { return words.count() == countWords(editor.text()); };

    editor.setText(QStringLiteral("one two\nthree\n\n  four  five "));
    QCOMPARE(words.count(), qint64(5));
    QTest::keyClicks(&editor, QStringLiteral(" six"));
    QCOMPARE(words.count(), qint64(6));

    // Splitting a word into two paragraphs, joining them again, and undoing both.
    QTextCursor cursor(editor.document());
    cursor.setPosition(1);
    editor.setTextCursor(cursor);
    QTest::keyClick(&editor, Qt::Key_Return);
    QCOMPARE(words.count(), qint64(7));
    QVERIFY(agrees());
    QTest::keyClick(&editor, Qt::Key_Backspace);
    QCOMPARE(words.count(), qint64(6));
    editor.undo();
    QVERIFY(agrees());
    editor.undo();
    QVERIFY(agrees());

    // A line break inside a paragraph, a no-break space, a mark that joins the space before it, CR LF, emoji.
    editor.moveCursor(QTextCursor::End);
    QTest::keyClick(&editor, Qt::Key_Return, Qt::ShiftModifier);
    editor.insertPlainText(QStringLiteral("a\u00A0b \u0301c d\r\ne 👩‍👩‍👧 f"));
    QVERIFY2(agrees(), qPrintable(QString::number(words.count())));

    // Typing the same length into another paragraph is still seen.
    cursor.setPosition(0);
    cursor.insertText(QStringLiteral("x"));
    cursor.setPosition(2);
    cursor.deletePreviousChar();
    QVERIFY(agrees());
    editor.clear();
    QCOMPARE(words.count(), qint64(0));
}

QTEST_MAIN(TestDocumentWordCount)
#include "TestDocumentWordCount.moc"
