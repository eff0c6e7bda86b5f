// SPDX-License-Identifier: GPL-3.0-or-later
// Updates: reading the feed, ordering versions, checking signatures, and what a check says.
#include "app/PackageSignature.h"
#include "app/UpdateFeed.h"
#include "app/UpdaterController.h"
#include "app/VersionComparison.h"

#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <openssl/evp.h>

using namespace wendle;

namespace {

/** A fresh Ed25519 key pair: signs `data` and gives the base64 public key and signature. */
struct Signer
{
    QByteArray publicKey;
    QByteArray signature;

    explicit Signer(const QByteArray& data)
    {
        EVP_PKEY* key = nullptr;
        EVP_PKEY_CTX* generate = EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr);
        EVP_PKEY_keygen_init(generate);
        EVP_PKEY_keygen(generate, &key);
        EVP_PKEY_CTX_free(generate);
        QByteArray raw(32, '\0');
        size_t length = raw.size();
        EVP_PKEY_get_raw_public_key(key, reinterpret_cast<unsigned char*>(raw.data()), &length);
        publicKey = raw.toBase64();
        QByteArray signed_(64, '\0');
        size_t signedLength = signed_.size();
        EVP_MD_CTX* context = EVP_MD_CTX_new();
        EVP_DigestSignInit(context, nullptr, nullptr, nullptr, key);
        EVP_DigestSign(context, reinterpret_cast<unsigned char*>(signed_.data()), &signedLength,
                       reinterpret_cast<const unsigned char*>(data.constData()), data.size());
        EVP_MD_CTX_free(context);
        EVP_PKEY_free(key);
        signature = signed_.toBase64();
    }
};

QByteArray item(const QString& version, const QString& os, const QString& extra = {})
{
    const QString system = os.isEmpty() ? QString() : QStringLiteral(" sparkle:os=\"%1\"").arg(os);
    return QStringLiteral("<item><title>Wendle %1</title>%3<enclosure url=\"https://example.org/wendle-%1.tar.gz\" "
                          "length=\"1234\" type=\"application/gzip\" sparkle:version=\"%1\" "
                          "sparkle:edSignature=\"c2ln\"%2/></item>")
        .arg(version, system, extra)
        .toUtf8();
}

QByteArray feed(const QByteArray& items)
{
    return "<?xml version=\"1.0\"?><rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel><title>Wendle</title>"
        + items + "</channel></rss>";
}

} // namespace

class TestUpdates : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void versionOrder_data();
    void versionOrder();
    void feedOffersTheNewestLinuxRelease();
    void signatures();
    void onlyHttpsAndTheConfiguredFeed();
    void checksSayHowTheyWent();
};

void TestUpdates::versionOrder_data()
{
    QTest::addColumn<QString>("newer");
    QTest::addColumn<QString>("older");
    QTest::newRow("minor") << "1.10"
                           << "1.9";
    QTest::newRow("patch") << "1.5.1"
                           << "1.5";
    QTest::newRow("release after beta") << "1.5"
                                        << "1.5b3";
    QTest::newRow("beta numbers") << "1.5b10"
                                  << "1.5b3";
    QTest::newRow("beta letters") << "1.5rc1"
                                  << "1.5b4";
    QTest::newRow("build") << "2"
                           << "1.99.99";
    QTest::newRow("long runs") << "1.123456789012345678901"
                               << "1.123456789012345678900";
}

void TestUpdates::versionOrder()
{
    QFETCH(QString, newer);
    QFETCH(QString, older);
    QVERIFY(compareVersions(newer, older) > 0);
    QVERIFY(compareVersions(older, newer) < 0);
    QCOMPARE(compareVersions(newer, newer), 0);
    QCOMPARE(compareVersions(QStringLiteral("1.05"), QStringLiteral("1.5")), 0);
}

void TestUpdates::feedOffersTheNewestLinuxRelease()
{
    const QByteArray notes = "<description><![CDATA[<p>Quieter <b>editor</b></p>]]></description>"
                             "<sparkle:shortVersionString>1.10 (spring)</sparkle:shortVersionString>";
    const UpdateFeed::Parsed parsed = UpdateFeed::parse(
        feed(item(QStringLiteral("3.0"), QStringLiteral("macos")) + item(QStringLiteral("1.9"), QStringLiteral("linux"))
             + item(QStringLiteral("1.10"), {}, QString::fromUtf8(notes))
             + "<item><title>no download</title>"
               "<sparkle:version>9</sparkle:version></item>"));
    QVERIFY2(parsed.problem.isEmpty(), qPrintable(parsed.problem));
    QVERIFY(parsed.newest);
    QCOMPARE(parsed.newest->version, QStringLiteral("1.10"));
    QCOMPARE(parsed.newest->shortVersion, QStringLiteral("1.10 (spring)"));
    QCOMPARE(parsed.newest->url, QUrl(QStringLiteral("https://example.org/wendle-1.10.tar.gz")));
    QCOMPARE(parsed.newest->length, 1234);
    QCOMPARE(parsed.newest->signature, QByteArray("c2ln"));
    QCOMPARE(parsed.newest->notes, QStringLiteral("<p>Quieter <b>editor</b></p>"));

    // Broken or foreign documents are refused as a whole; a feed with only other systems' releases offers none.
    const UpdateFeed::Parsed cut = UpdateFeed::parse(feed(item(QStringLiteral("2.0"), {})).chopped(20));
    QVERIFY(!cut.problem.isEmpty());
    QVERIFY(!cut.newest);
    QVERIFY(!UpdateFeed::parse("<html><body>moved</body></html>").problem.isEmpty());
    const UpdateFeed::Parsed others = UpdateFeed::parse(feed(item(QStringLiteral("2.0"), QStringLiteral("windows"))));
    QVERIFY(others.problem.isEmpty());
    QVERIFY(!others.newest);
}

void TestUpdates::signatures()
{
    const QByteArray data = QByteArray("wendle release archive ").repeated(1000);
    const Signer signer(data);
    QVERIFY(PackageSignature::verify(data, signer.signature, signer.publicKey));
    QByteArray tampered = data;
    tampered[500] = 'X';
    QVERIFY(!PackageSignature::verify(tampered, signer.signature, signer.publicKey));
    QVERIFY(!PackageSignature::verify(data, signer.signature, Signer(data).publicKey));
    QVERIFY(!PackageSignature::verify(data, "not base64!", signer.publicKey));
    QVERIFY(!PackageSignature::verify(data, signer.signature, signer.publicKey.left(20)));
    QVERIFY(!PackageSignature::verify(data, {}, PackageSignature::builtInPublicKey()));
    QCOMPARE(QByteArray::fromBase64(PackageSignature::builtInPublicKey()).size(), 32);

    // A downloaded file: its announced length first, then its signature.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("wendle.tar.gz"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
    file.close();
    QCOMPARE(PackageSignature::checkDownload(path, data.size(), signer.signature, signer.publicKey), QString());
    QVERIFY(PackageSignature::checkDownload(path, data.size() + 1, signer.signature, signer.publicKey)
                .contains(QStringLiteral("bytes long")));
    QVERIFY(PackageSignature::checkDownload(path, data.size(), Signer("other").signature, signer.publicKey)
                .contains(QStringLiteral("signature")));
}

void TestUpdates::onlyHttpsAndTheConfiguredFeed()
{
    QVERIFY(!UpdateFeed::refusal(QUrl(QStringLiteral("http://example.org/appcast.xml"))).isEmpty());
    QVERIFY(!UpdateFeed::refusal(QUrl(QStringLiteral("file:///tmp/appcast.xml"))).isEmpty());
    QVERIFY(UpdateFeed::refusal(QUrl(QStringLiteral("HTTPS://example.org/appcast.xml"))).isEmpty());

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("update-feed"));
    QCOMPARE(UpdateFeed::configured(path), QUrl(QStringLiteral(WENDLE_UPDATE_FEED)));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("  https://updates.example.org/wendle.xml  \n# second line ignored\n");
    file.close();
    QCOMPARE(UpdateFeed::configured(path), QUrl(QStringLiteral("https://updates.example.org/wendle.xml")));
}

void TestUpdates::checksSayHowTheyWent()
{
    const auto shownText = [](const UpdaterController& updater) {
        auto* box = qobject_cast<QMessageBox*>(updater.dialog());
        return box ? box->text() : QString();
    };

    // No feed: the package manager brings updates, and checking stays possible.
    UpdaterController packaged{QUrl()};
    QVERIFY(!packaged.canCheckForUpdates());
    QTRY_VERIFY(packaged.canCheckForUpdates());
    packaged.checkForUpdates();
    QVERIFY(shownText(packaged).contains(QStringLiteral("package manager")));
    QVERIFY(packaged.canCheckForUpdates());

    UpdaterController plain{QUrl(QStringLiteral("http://127.0.0.1:9/appcast.xml"))};
    QTRY_VERIFY(plain.canCheckForUpdates());
    plain.checkForUpdates();
    QVERIFY(shownText(plain).contains(QStringLiteral("only over HTTPS")));
}

QTEST_MAIN(TestUpdates)
#include "TestUpdates.moc"
