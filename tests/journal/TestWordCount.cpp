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
    // Space-separated scripts count as they always have, so stored counts stay valid.
    QTest::newRow("French") << QStringLiteral("l'été est très chaud, n'est-ce pas ?") << qint64(7);
    QTest::newRow("German") << QStringLiteral("Straßenbahn-Haltestelle um 8:15 Uhr") << qint64(4);
    QTest::newRow("Korean with spaces") << QStringLiteral("안녕하세요 저는 학생입니다") << qint64(3);
    QTest::newRow("Thai") << QStringLiteral("ฉันไปตลาดเมื่อวานนี้") << qint64(1);
    QTest::newRow("emoji") << QStringLiteral("😀 👍🏽 🇫🇷") << qint64(3);
    QTest::newRow("numbers") << QStringLiteral("3.14 1,000 2026-12-07") << qint64(3);
    // Japanese and Chinese count dictionary words; punctuation is none.
    QTest::newRow("Japanese") << QStringLiteral("今日は良い天気") << qint64(4);
    QTest::newRow("Chinese") << QStringLiteral("我今天去了公园，看到很多人在跑步。") << qint64(9);
    QTest::newRow("Japanese with Latin") << QStringLiteral("AI搭載の新しいカメラ") << qint64(5);
    QTest::newRow("brackets around kana") << QStringLiteral("「はい」 yes") << qint64(2);
}

void TestWordCount::countsWhatAReaderSeesAsWords()
{
    QFETCH(QString, text);
    QFETCH(qint64, words);
    QCOMPARE(countWords(text), words);
}

QTEST_GUILESS_MAIN(TestWordCount)
#include "TestWordCount.moc"
