// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/WordCount.h"

#include <QTest>

using namespace wendle;

class TestWordCount : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void countsWhatAReaderSeesAsWords_data();
    void countsWhatAReaderSeesAsWords();
};

void TestWordCount::countsWhatAReaderSeesAsWords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("words");

    QTest::newRow("empty") << QString() << qint64(0);
    QTest::newRow("white space only") << QStringLiteral(" \t\n\u2029\u00A0") << qint64(0);
    QTest::newRow("space, tab, line break") << QStringLiteral("   one two\tthree\n") << qint64(3);
    QTest::newRow("em dash joins") << QStringLiteral("well\u2014then") << qint64(1);
    QTest::newRow("no-break space separates") << QStringLiteral("a\u00A0b") << qint64(2);
    QTest::newRow("other Unicode spaces") << QStringLiteral("a\u2003b\u3000c\u2028d\u0085e\u202Ff") << qint64(6);
    QTest::newRow("zero-width space is not white space") << QStringLiteral("a\u200Bb") << qint64(1);
    QTest::newRow("CRLF") << QStringLiteral("one\r\ntwo\r\n") << qint64(2);
    // A combining mark on a space makes one user-perceived character that starts with white space.
    QTest::newRow("combining mark on a space") << QStringLiteral("a \u0301 b") << qint64(2);
    QTest::newRow("Japanese without spaces") << QStringLiteral("今日は良い天気") << qint64(1);
}

void TestWordCount::countsWhatAReaderSeesAsWords()
{
    QFETCH(QString, text);
    QFETCH(qint64, words);
    QCOMPARE(countWords(text), words);
}

QTEST_GUILESS_MAIN(TestWordCount)
#include "TestWordCount.moc"
