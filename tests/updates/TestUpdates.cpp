// SPDX-License-Identifier: GPL-3.0-or-later
// Updates: reading the feed, ordering versions, checking signatures, and what a check says.
#include "updates/PackageSignature.h"
#include "updates/UpdateDialog.h"
#include "updates/UpdateFeed.h"
#include "updates/UpdaterController.h"
#include "updates/VersionComparison.h"

#include "TempJournal.h"
#include "Widgets.h"

#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSslConfiguration>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <openssl/evp.h>

using namespace wendle;

namespace {

/** A fresh Ed25519 key pair: signs `data` and gives the base64 public key and signature. */
struct Signer
{
    QByteArray publicKey = QByteArray(32, '\0');
    QByteArray signature = QByteArray(64, '\0');

    explicit Signer(const QByteArray& data)
    {
        EVP_PKEY* key = EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519");
        size_t length = publicKey.size();
        EVP_PKEY_get_raw_public_key(key, reinterpret_cast<unsigned char*>(publicKey.data()), &length);
        EVP_MD_CTX* context = EVP_MD_CTX_new();
        length = signature.size();
        EVP_DigestSignInit(context, nullptr, nullptr, nullptr, key);
        EVP_DigestSign(context, reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(data.constData()), data.size());
        EVP_MD_CTX_free(context);
        EVP_PKEY_free(key);
        publicKey = publicKey.toBase64();
        signature = signature.toBase64();
    }
};

/** A release for `os` (any when empty) with `extra` elements after its enclosure. */
QByteArray release(const QString& version, const QUrl& url, qint64 length = 10, const QByteArray& signature = "c2ln",
                   const QString& os = {}, const QString& extra = {})
{
    const QString system = os.isEmpty() ? QString() : QStringLiteral(" sparkle:os=\"%1\"").arg(os);
    return QStringLiteral("<item><title>Wendle %1</title><enclosure url=\"%2\" length=\"%3\" "
                          "type=\"application/vnd.debian.binary-package\" sparkle:version=\"%1\" "
                          "sparkle:edSignature=\"%4\"%5/>%6</item>")
        .arg(version, url.toString())
        .arg(length)
        .arg(QString::fromLatin1(signature), system, extra)
        .toUtf8();
}

QByteArray feed(const QByteArray& items)
{
    return "<?xml version=\"1.0\"?><rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel><title>Wendle</title>"
        + items + "</channel></rss>";
}

/**
 * A loopback HTTPS server (Python's http.server, its log kept by QProcess) serving the files put into it, under a
 * certificate of its own.
 * A trusted server's certificate is added to Qt's default CA list; an untrusted one's is not.
 */
class LoopbackHttps
{
public:
    explicit LoopbackHttps(bool trusted)
    {
        const QString certificate = m_dir.filePath(QStringLiteral("cert.pem"));
        const QString key = m_dir.filePath(QStringLiteral("key.pem"));
        QDir(m_dir.path()).mkdir(QStringLiteral("site"));
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      QStringLiteral("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 "
                                     "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1")
                              .split(u' ')
                          << QStringLiteral("-keyout") << key << QStringLiteral("-out") << certificate);
        if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
            return;
        }
        if (trusted) {
            QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
            configuration.addCaCertificates(certificate);
            QSslConfiguration::setDefaultConfiguration(configuration);
        }
        m_server.start(QStringLiteral("python3"),
                       {QStringLiteral("-c"), QStringLiteral(R"(
import functools, http.server, ssl, sys
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=sys.argv[1])
server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(sys.argv[2], sys.argv[3])
server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
server.serve_forever()
)"),
                        m_dir.filePath(QStringLiteral("site")), certificate, key});
        if (m_server.waitForReadyRead(30000)) {
            m_port = m_server.readLine().trimmed().toInt();
        }
    }

    ~LoopbackHttps()
    {
        m_server.kill();
        m_server.waitForFinished();
    }

    bool isRunning() const { return m_port > 0; }
    QUrl url(const QString& name) const
    {
        return QUrl(QStringLiteral("https://127.0.0.1:%1/%2").arg(m_port).arg(name));
    }

    void put(const QString& name, const QByteArray& bytes)
    {
        QVERIFY(test::putFile(m_dir.filePath(QStringLiteral("site/") + name), bytes));
    }

private:
    QTemporaryDir m_dir;
    QProcess m_server;
    int m_port = 0;
};

QString shownText(const UpdaterController& updater)
{
    auto* box = qobject_cast<QMessageBox*>(updater.dialog());
    return box ? box->text() : QString();
}

/** Runs a check to its end, and tells whether the flag was down while it ran. */
bool checkRunsToItsEnd(UpdaterController& updater)
{
    updater.checkForUpdates();
    const bool busy = !updater.canCheckForUpdates();
    return QTest::qWaitFor([&] { return updater.canCheckForUpdates(); }, 20000) && busy;
}

} // namespace

class TestUpdates : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void versionOrder();
    void theConfiguredFeedOffersTheNewestLinuxRelease();
    void signatures();
    void checksAndDownloadsAgainstALoopbackServer();
};

void TestUpdates::versionOrder()
{
    // Each pair: newer, older (minor, patch, release after beta, beta numbers and letters, build, long runs).
    const char* const pairs[][2] = {{"1.10", "1.9"},
                                    {"1.5.1", "1.5"},
                                    {"1.5", "1.5b3"},
                                    {"1.5b10", "1.5b3"},
                                    {"1.5rc1", "1.5b4"},
                                    {"2", "1.99.99"},
                                    {"1.123456789012345678901", "1.123456789012345678900"}};
    for (const auto& [newer, older] : pairs) {
        const QString a = QString::fromLatin1(newer);
        const QString b = QString::fromLatin1(older);
        QVERIFY2(compareVersions(a, b) > 0 && compareVersions(b, a) < 0 && compareVersions(a, a) == 0, newer);
    }
    QCOMPARE(compareVersions(QStringLiteral("1.05"), QStringLiteral("1.5")), 0);
}

void TestUpdates::theConfiguredFeedOffersTheNewestLinuxRelease()
{
    const QUrl url(QStringLiteral("https://example.org/wendle.deb"));
    const UpdateFeed::Parsed parsed = UpdateFeed::parse(
        feed(release(QStringLiteral("3.0"), url, 10, "c2ln", QStringLiteral("macos"))
             + release(QStringLiteral("1.9"), url, 10, "c2ln", QStringLiteral("linux"))
             + release(QStringLiteral("1.10"), url, 1234, "c2ln", {},
                       QStringLiteral("<description><![CDATA[<p>Quieter <b>editor</b></p>]]></description>"
                                      "<sparkle:shortVersionString>1.10 (spring)</sparkle:shortVersionString>"))
             + "<item><title>no download</title><sparkle:version>9</sparkle:version></item>"));
    QVERIFY2(parsed.problem.isEmpty() && parsed.newest, qPrintable(parsed.problem));
    QCOMPARE(parsed.newest->version, QStringLiteral("1.10"));
    QCOMPARE(parsed.newest->shortVersion, QStringLiteral("1.10 (spring)"));
    QCOMPARE(parsed.newest->url, url);
    QCOMPARE(parsed.newest->length, 1234);
    QCOMPARE(parsed.newest->signature, QByteArray("c2ln"));
    QCOMPARE(parsed.newest->notes, QStringLiteral("<p>Quieter <b>editor</b></p>"));

    // Broken or foreign documents are refused as a whole; a feed with only other systems' releases offers none.
    const UpdateFeed::Parsed cut = UpdateFeed::parse(feed(release(QStringLiteral("2.0"), url)).chopped(20));
    QVERIFY(!cut.problem.isEmpty() && !cut.newest);
    QVERIFY(!UpdateFeed::parse("<html><body>moved</body></html>").problem.isEmpty());
    const UpdateFeed::Parsed others
        = UpdateFeed::parse(feed(release(QStringLiteral("2.0"), url, 10, "c2ln", QStringLiteral("windows"))));
    QVERIFY(others.problem.isEmpty() && !others.newest);

    // Only a feed over HTTPS is asked.
    QVERIFY(!UpdateFeed::refusal(QUrl(QStringLiteral("http://example.org/appcast.xml"))).isEmpty());
    QVERIFY(!UpdateFeed::refusal(QUrl(QStringLiteral("file:///tmp/appcast.xml"))).isEmpty());
    QVERIFY(UpdateFeed::refusal(QUrl(QStringLiteral("HTTPS://example.org/appcast.xml"))).isEmpty());

    // The file first, then the environment, then the build's own address.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("update-feed"));
    qunsetenv("WENDLE_UPDATE_FEED");
    QCOMPARE(UpdateFeed::configured(path), QUrl(QStringLiteral(WENDLE_UPDATE_FEED)));
    qputenv("WENDLE_UPDATE_FEED", " https://mirror.example.org/wendle.xml ");
    QCOMPARE(UpdateFeed::configured(path), QUrl(QStringLiteral("https://mirror.example.org/wendle.xml")));
    QVERIFY(test::putFile(path, "  https://updates.example.org/wendle.xml  \n# second line ignored\n"));
    QCOMPARE(UpdateFeed::configured(path), QUrl(QStringLiteral("https://updates.example.org/wendle.xml")));
    qunsetenv("WENDLE_UPDATE_FEED");

    // No feed: the package manager brings updates, and checking stays possible.
    UpdaterController packaged{QUrl()};
    QVERIFY(!packaged.canCheckForUpdates());
    QTRY_VERIFY(packaged.canCheckForUpdates());
    packaged.checkForUpdates();
    QVERIFY(shownText(packaged).contains(QStringLiteral("package manager")));
    QVERIFY(packaged.canCheckForUpdates());
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
}

void TestUpdates::checksAndDownloadsAgainstALoopbackServer()
{
    QCoreApplication::setApplicationVersion(QStringLiteral("1.5"));
    LoopbackHttps server(true);
    QVERIFY(server.isRunning());
    const QUrl url = server.url(QStringLiteral("appcast.xml"));
    UpdaterController updater(url);
    QTRY_VERIFY(updater.canCheckForUpdates());
    // What a check of `document` says in a message (none for an offer).
    const auto checked = [&](const QByteArray& document) {
        server.put(QStringLiteral("appcast.xml"), document);
        return checkRunsToItsEnd(updater) ? shownText(updater) : QStringLiteral("(still running)");
    };

    QVERIFY(checked(feed(release(QStringLiteral("1.6"), url))).isEmpty());
    QVERIFY(qobject_cast<UpdateDialog*>(updater.dialog()));
    // Not newer, however it is spelled: a trailing dot, or other scripts' digits.
    for (const QString& version :
         {QStringLiteral("1.5"), QStringLiteral("1.4.9"), QStringLiteral("1.5."), QStringLiteral("\uFF11.\uFF14")}) {
        QCOMPARE(checked(feed(release(version, url))),
                 QStringLiteral("You're up to date: Wendle 1.5 is the newest version."));
    }
    // A download of no announced length, or of one too large to take, could not be checked: it is not offered.
    for (const qint64 length : {qint64(0), UpdateFeed::maximumDownloadLength + 1}) {
        QByteArray offer = release(QStringLiteral("1.6"), url, length, "c2ln");
        const QString shown = checked(feed(offer.replace(" length=\"0\"", "")));
        QVERIFY2(shown.startsWith(QStringLiteral("This update cannot be verified")), qPrintable(shown));
    }
    // A broken feed, and a sound one past the size limit, which is not read to its end.
    for (const QByteArray& unread :
         {QByteArray("<rss><channel><item><title>Wendle 9"),
          feed(release(QStringLiteral("1.6"), url) + "<!--" + QByteArray(UpdateFeed::maximumSize, 'x') + "-->")}) {
        const QString shown = checked(unread);
        QVERIFY2(shown.startsWith(QStringLiteral("The update feed could not be read")), qPrintable(shown));
    }

    // Nothing at the address, and a certificate nobody vouches for: the check ends; it is never waved through.
    LoopbackHttps stranger(false);
    QVERIFY(stranger.isRunning());
    stranger.put(QStringLiteral("appcast.xml"), feed(release(QStringLiteral("1.6"), url)));
    for (const QUrl& unreachable :
         {server.url(QStringLiteral("gone.xml")), stranger.url(QStringLiteral("appcast.xml"))}) {
        UpdaterController wary(unreachable);
        QTRY_VERIFY(wary.canCheckForUpdates());
        QVERIFY(checkRunsToItsEnd(wary));
        QVERIFY(shownText(wary).startsWith(QStringLiteral("The update feed could not be reached")));
    }

    // Downloads: kept only when whole and signed with the key the program trusts.
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
    const QByteArray package = QByteArray("a signed Wendle package ").repeated(4000);
    const Signer signer(package);
    server.put(QStringLiteral("wendle_1.6_amd64.deb"), package);
    const QUrl packageUrl = server.url(QStringLiteral("wendle_1.6_amd64.deb"));
    const QString kept = cache.filePath(QStringLiteral("wendle/updates/wendle_1.6_amd64.deb"));

    using Case = std::tuple<QUrl, qint64, QByteArray, QString>; // what the feed says, and what the user is told
    for (const auto& [from, length, signature, outcome] : std::initializer_list<Case>{
             {packageUrl, package.size(), Signer("something else").signature,
              QStringLiteral("signature is not Wendle's")},
             {packageUrl, package.size() - 1, signer.signature,
              QStringLiteral("longer than the %1 bytes the feed announces").arg(package.size() - 1)},
             {packageUrl, package.size() + 1, signer.signature, QStringLiteral("bytes long")},
             {QUrl(QStringLiteral("http://127.0.0.1:9/wendle_1.6_amd64.deb")), package.size(), signer.signature,
              QStringLiteral("only over HTTPS")},
             {packageUrl, package.size(), signer.signature, QStringLiteral("its signature is checked")}}) {
        server.put(QStringLiteral("appcast.xml"), feed(release(QStringLiteral("1.6"), from, length, signature)));
        UpdaterController downloader(server.url(QStringLiteral("appcast.xml")), signer.publicKey);
        QTRY_VERIFY(downloader.canCheckForUpdates());
        QVERIFY(checkRunsToItsEnd(downloader));
        auto* offer = qobject_cast<UpdateDialog*>(downloader.dialog());
        QVERIFY(offer && test::clickButton(offer, QStringLiteral("Download")));
        QTRY_VERIFY_WITH_TIMEOUT(downloader.canCheckForUpdates() && !shownText(downloader).isEmpty(), 20000);
        QVERIFY2(shownText(downloader).contains(outcome), qPrintable(shownText(downloader)));
        QCOMPARE(QFile::exists(kept), outcome == QStringLiteral("its signature is checked"));
    }
}

QTEST_MAIN(TestUpdates)
#include "TestUpdates.moc"
