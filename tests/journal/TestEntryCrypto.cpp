// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/EntryCrypto.h"

#include <QTest>

#include <openssl/evp.h>

using namespace wendle;

namespace {

// Seals raw bytes with OpenSSL directly, in the documented layout, so tests can build bodies the app never would.
QByteArray sealRaw(const QByteArray& plain, const EntryKey& key, const QByteArray& nonce)
{
    QByteArray body = nonce + QByteArray(plain.size() + 16, '\0');
    auto* out = reinterpret_cast<unsigned char*>(body.data());
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    int written = 0;
    EVP_EncryptInit_ex(context, EVP_aes_256_gcm(), nullptr, key.data(), out);
    EVP_EncryptUpdate(context, out + 12, &written, reinterpret_cast<const unsigned char*>(plain.constData()),
                      static_cast<int>(plain.size()));
    EVP_EncryptFinal_ex(context, out + 12 + written, &written);
    EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_GCM_GET_TAG, 16, out + 12 + plain.size());
    EVP_CIPHER_CTX_free(context);
    return body;
}

template <typename Error, typename Call> std::optional<typename Error::Kind> errorOf(Call call)
{
    try {
        call();
    } catch (const Error& error) {
        return error.kind();
    }
    return std::nullopt;
}

} // namespace

class TestEntryCrypto : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTripsAndLayout_data();
    void roundTripsAndLayout();
    void rejectsDamagedOrForeignBodies();
    void invalidUtf8BecomesReplacementCharacters();
    void keysOfTheWrongSizeFail();
};

void TestEntryCrypto::roundTripsAndLayout_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("ascii") << QStringLiteral("The kettle clicked off and I kept writing.");
    QTest::newRow("outside the BMP") << QStringLiteral("gl\u00FCck \U0001F600\U0001F468\u200D\U0001F469 \U00020BB7");
    QTest::newRow("leading BOM") << QStringLiteral("\uFEFFx");
    QTest::newRow("only a BOM") << QStringLiteral("\uFEFF");
    QTest::newRow("64 KB") << QString(65536, u'x');
}

void TestEntryCrypto::roundTripsAndLayout()
{
    QFETCH(QString, text);
    const auto key = EntryKey::random();
    const QByteArray body = sealEntryText(text, *key);
    QCOMPARE(openEntryText(body, *key), text);

    // The layout is plain AES-256-GCM, nonce ‖ ciphertext ‖ tag: OpenSSL itself, given the nonce, makes the same body.
    QCOMPARE(sealRaw(text.toUtf8(), *key, body.left(12)), body);
}

void TestEntryCrypto::rejectsDamagedOrForeignBodies()
{
    const auto key = EntryKey::random();
    const QByteArray body = sealEntryText(QStringLiteral("private"), *key);

    QCOMPARE(errorOf<CipherError>([&] { openEntryText(QByteArray(27, 'a'), *key); }),
             CipherError::Kind::incorrectParameterSize);
    QCOMPARE(errorOf<CipherError>([&] { openEntryText(QByteArray(), *key); }),
             CipherError::Kind::incorrectParameterSize);

    for (const qsizetype position : {qsizetype(0), qsizetype(14), body.size() - 1}) {
        QByteArray flipped = body;
        flipped[position] = static_cast<char>(flipped.at(position) ^ 0x01);
        QCOMPARE(errorOf<CipherError>([&] { openEntryText(flipped, *key); }), CipherError::Kind::authenticationFailure);
    }
    QCOMPARE(errorOf<CipherError>([&] { openEntryText(body, *EntryKey::random()); }),
             CipherError::Kind::authenticationFailure);
    QCOMPARE(errorOf<CipherError>([&] { openEntryText(body.left(body.size() - 1), *key); }),
             CipherError::Kind::authenticationFailure);
    QVERIFY(!opensUnder(body, *EntryKey::random()));
    QVERIFY(opensUnder(body, *key));

    // Every seal draws a fresh nonce.
    QVERIFY(sealEntryText(QStringLiteral("private"), *key).left(12) != body.left(12));
}

void TestEntryCrypto::invalidUtf8BecomesReplacementCharacters()
{
    const auto key = EntryKey::random();
    const QByteArray body = sealRaw(QByteArray("ok \xFF end \xC3", 10), *key, QByteArray(12, '\x07'));
    QCOMPARE(openEntryText(body, *key), QStringLiteral("ok \uFFFD end \uFFFD"));
}

void TestEntryCrypto::keysOfTheWrongSizeFail()
{
    const auto key = EntryKey::random();
    // A key of the wrong size is the cipher's own error, on both sealing and opening.
    const auto shortKey = EntryKey::fromBytes(QByteArray(16, '\x01'));
    QCOMPARE(errorOf<CipherError>([&] { sealEntryText(QStringLiteral("x"), *shortKey); }),
             CipherError::Kind::incorrectKeySize);
    QCOMPARE(errorOf<CipherError>([&] { openEntryText(sealEntryText(QStringLiteral("x"), *key), *shortKey); }),
             CipherError::Kind::incorrectKeySize);
}

QTEST_GUILESS_MAIN(TestEntryCrypto)
#include "TestEntryCrypto.moc"
