// SPDX-License-Identifier: GPL-3.0-or-later
#include "SyncthingPair.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHostAddress>
#include <QJsonDocument>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTest>
#include <QUrl>
#include <QXmlStreamReader>

#include <csignal>
#include <vector>

#include <sys/prctl.h>

namespace wendle::test {

namespace {

const QString kFolderId = QStringLiteral("wendle-journal");
constexpr int kCallMilliseconds = 30000;
constexpr int kPollMilliseconds = 250;
/** Polls in a row that must find both in step, so a change still on its way between them is not missed. */
constexpr int kStablePolls = 4;

/** Ports nothing listens on now, all different: each bound on loopback at once, then let go. */
std::vector<quint16> freePorts(int count)
{
    std::vector<std::unique_ptr<QTcpServer>> servers;
    std::vector<quint16> ports;
    for (int i = 0; i < count; ++i) {
        servers.push_back(std::make_unique<QTcpServer>());
        if (!servers.back()->listen(QHostAddress::LocalHost, 0)) {
            return {};
        }
        ports.push_back(servers.back()->serverPort());
    }
    return ports;
}

/** Letters and digits only: Syncthing reads the key from its command line after `=`. */
QByteArray randomApiKey()
{
    static const QByteArray alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray key;
    for (int i = 0; i < 32; ++i) {
        key += alphabet.at(QRandomGenerator::system()->bounded(alphabet.size()));
    }
    return key;
}

QString tail(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const qint64 keep = 3000;
    if (file.size() > keep) {
        file.seek(file.size() - keep);
    }
    return QString::fromUtf8(file.readAll());
}

QString logPath(const QString& home)
{
    return home + QStringLiteral("/serve.log");
}

} // namespace

SyncthingPair::SyncthingPair()
{
    m_network.setProxy(QNetworkProxy::NoProxy);
}

SyncthingPair::~SyncthingPair()
{
    stop();
}

bool SyncthingPair::start(int timeoutMilliseconds)
{
    if (QStandardPaths::findExecutable(QStringLiteral("syncthing")).isEmpty()) {
        return fail(QStringLiteral("syncthing is not installed (scripts/install-deps.sh installs it)"));
    }
    if (!m_dir.isValid()) {
        return fail(QStringLiteral("no temporary folder"));
    }
    const std::vector<quint16> ports = freePorts(2 * instances);
    if (ports.size() != 2 * instances) {
        return fail(QStringLiteral("no free ports on loopback"));
    }
    for (int i = 0; i < instances; ++i) {
        Instance& instance = m_instances.at(i);
        instance.home = m_dir.filePath(QStringLiteral("home%1").arg(i + 1));
        instance.folder = m_dir.filePath(QStringLiteral("Sync%1").arg(i + 1));
        instance.listenPort = ports.at(2 * i);
        instance.guiPort = ports.at(2 * i + 1);
        instance.apiKey = randomApiKey();
        if (!QDir().mkpath(instance.folder) || !generate(instance)) {
            return fail(m_error.isEmpty() ? QStringLiteral("could not make %1").arg(instance.folder) : m_error);
        }
    }
    // The side that waits first: a first dial that finds nobody is tried again only seconds later.
    for (int i = instances - 1; i >= 0; --i) {
        Instance& instance = m_instances.at(i);
        if (!writeConfig(instance, m_instances.at(1 - i), i == 0) || !launch(instance)
            || !poll(
                [this, &instance] { return call(instance, "GET", QStringLiteral("/rest/system/ping")).has_value(); },
                timeoutMilliseconds)) {
            return false;
        }
    }
    if (!poll([this] { return connected(true); }, timeoutMilliseconds)) {
        return fail(QStringLiteral("the instances did not connect: %1").arg(m_error));
    }
    return true;
}

QString SyncthingPair::error() const
{
    QString text = m_error;
    for (const Instance& instance : m_instances) {
        if (!instance.home.isEmpty()) {
            text += QStringLiteral("\n--- %1:\n%2").arg(instance.home, tail(logPath(instance.home)));
        }
    }
    return text;
}

bool SyncthingPair::pause(int timeoutMilliseconds)
{
    for (int i = 0; i < instances; ++i) {
        if (!call(m_instances.at(i), "POST", "/rest/system/pause?device=" + m_instances.at(1 - i).device)) {
            return false;
        }
    }
    return poll([this] { return connected(false); }, timeoutMilliseconds)
        || fail(QStringLiteral("still connected after pausing: %1").arg(m_error));
}

bool SyncthingPair::resume(int timeoutMilliseconds)
{
    // The side that waits first, so the dialling side's first attempt is taken.
    for (int i = instances - 1; i >= 0; --i) {
        if (!call(m_instances.at(i), "POST", "/rest/system/resume?device=" + m_instances.at(1 - i).device)) {
            return false;
        }
    }
    return poll([this] { return connected(true); }, timeoutMilliseconds)
        || fail(QStringLiteral("not connected after resuming: %1").arg(m_error));
}

bool SyncthingPair::waitUntilInSync(int timeoutMilliseconds)
{
    for (const Instance& instance : m_instances) {
        // Answers once the scan is done: what the watcher has not reported yet is known after it.
        if (!call(instance, "POST", QStringLiteral("/rest/db/scan?folder=") + kFolderId)) {
            return false;
        }
    }
    int stable = 0;
    return poll(
               [this, &stable] {
                   stable = inStep() ? stable + 1 : 0;
                   return stable >= kStablePolls;
               },
               timeoutMilliseconds)
        || fail(QStringLiteral("not in step: %1").arg(m_error));
}

bool SyncthingPair::generate(Instance& instance)
{
    QProcess generate;
    generate.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_dir.path());
    generate.setProcessEnvironment(environment);
    generate.start(QStringLiteral("syncthing"),
                   {QStringLiteral("generate"), QStringLiteral("--home"), instance.home,
                    QStringLiteral("--no-default-folder"), QStringLiteral("--skip-port-probing")});
    if (!generate.waitForFinished(kCallMilliseconds) || generate.exitStatus() != QProcess::NormalExit
        || generate.exitCode() != 0) {
        generate.kill();
        generate.waitForFinished();
        return fail(QStringLiteral("syncthing generate failed: %1").arg(QString::fromUtf8(generate.readAll())));
    }
    // The generated configuration names the new device first.
    QFile config(instance.home + QStringLiteral("/config.xml"));
    if (!config.open(QIODevice::ReadOnly)) {
        return fail(QStringLiteral("syncthing generate wrote no configuration"));
    }
    QXmlStreamReader xml(&config);
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("device")) {
            instance.device = xml.attributes().value(QLatin1String("id")).toString();
            break;
        }
        if (xml.name() != QLatin1String("configuration")) {
            xml.skipCurrentElement();
        }
    }
    return !instance.device.isEmpty() || fail(QStringLiteral("no device id in %1").arg(config.fileName()));
}

bool SyncthingPair::writeConfig(const Instance& instance, const Instance& other, bool dials)
{
    // globalAnnounceServer and stunServer stay present and empty: a missing one is filled with the public servers.
    const QString config
        = QStringLiteral(R"(<configuration version="36">
    <folder id="%1" label="Journal" path="%2" type="sendreceive" rescanIntervalS="2" fsWatcherEnabled="true" fsWatcherDelayS="1" ignorePerms="false" autoNormalize="true">
        <filesystemType>basic</filesystemType>
        <device id="%3"></device>
        <device id="%4"></device>
        <minDiskFree unit="%">0</minDiskFree>
    </folder>
    <device id="%3" name="self" compression="metadata"><address>dynamic</address></device>
    <device id="%4" name="other" compression="metadata"><address>%5</address></device>
    <gui enabled="true" tls="false">
        <address>127.0.0.1:%6</address>
        <apikey>%7</apikey>
    </gui>
    <options>
        <listenAddress>tcp://127.0.0.1:%8</listenAddress>
        <globalAnnounceServer></globalAnnounceServer>
        <globalAnnounceEnabled>false</globalAnnounceEnabled>
        <localAnnounceEnabled>false</localAnnounceEnabled>
        <relaysEnabled>false</relaysEnabled>
        <natEnabled>false</natEnabled>
        <reconnectionIntervalS>1</reconnectionIntervalS>
        <startBrowser>false</startBrowser>
        <urAccepted>-1</urAccepted>
        <autoUpgradeIntervalH>0</autoUpgradeIntervalH>
        <crashReportingEnabled>false</crashReportingEnabled>
        <stunServer></stunServer>
        <minHomeDiskFree unit="%">0</minHomeDiskFree>
    </options>
</configuration>
)")
              .arg(kFolderId, instance.folder.toHtmlEscaped(), instance.device, other.device,
                   dials ? QStringLiteral("tcp://127.0.0.1:%1").arg(other.listenPort) : QStringLiteral("dynamic"),
                   QString::number(instance.guiPort), QString::fromLatin1(instance.apiKey),
                   QString::number(instance.listenPort));
    QFile file(instance.home + QStringLiteral("/config.xml"));
    const QByteArray bytes = config.toUtf8();
    return (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size())
        || fail(QStringLiteral("could not write %1").arg(file.fileName()));
}

bool SyncthingPair::launch(Instance& instance)
{
    instance.process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Without a monitor the process started is the one that syncs; it refuses to run without a HOME.
    environment.insert(QStringLiteral("STMONITORED"), QStringLiteral("yes"));
    environment.insert(QStringLiteral("STNOUPGRADE"), QStringLiteral("1"));
    environment.insert(QStringLiteral("HOME"), m_dir.path());
    for (const QString& proxy :
         {QStringLiteral("all_proxy"), QStringLiteral("ALL_PROXY"), QStringLiteral("http_proxy"),
          QStringLiteral("HTTP_PROXY"), QStringLiteral("https_proxy"), QStringLiteral("HTTPS_PROXY")}) {
        environment.remove(proxy);
    }
    instance.process->setProcessEnvironment(environment);
    // A test that crashes or is killed by a timeout runs no destructor: the kernel ends the instance with it.
    instance.process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    instance.process->setProcessChannelMode(QProcess::MergedChannels);
    instance.process->setStandardOutputFile(logPath(instance.home));
    instance.process->start(QStringLiteral("syncthing"),
                            {QStringLiteral("serve"), QStringLiteral("--home"), instance.home,
                             QStringLiteral("--no-browser"), QStringLiteral("--no-restart"),
                             QStringLiteral("--no-upgrade"),
                             QStringLiteral("--gui-address=127.0.0.1:%1").arg(instance.guiPort),
                             QStringLiteral("--gui-apikey=") + QString::fromLatin1(instance.apiKey)});
    return instance.process->waitForStarted(kCallMilliseconds)
        || fail(QStringLiteral("syncthing serve did not start: %1").arg(instance.process->errorString()));
}

bool SyncthingPair::connected(bool connected)
{
    for (int i = 0; i < instances; ++i) {
        const Instance& instance = m_instances.at(i);
        if (!instance.process || instance.process->state() != QProcess::Running) {
            return fail(QStringLiteral("syncthing in %1 has ended").arg(instance.home));
        }
        const std::optional<QJsonObject> connections = getObject(instance, QStringLiteral("/rest/system/connections"));
        if (!connections) {
            return false;
        }
        const QJsonObject other = connections->value(QLatin1String("connections"))
                                      .toObject()
                                      .value(m_instances.at(1 - i).device)
                                      .toObject();
        if (other.value(QLatin1String("connected")).toBool() != connected) {
            return false;
        }
    }
    return true;
}

bool SyncthingPair::inStep()
{
    for (int i = 0; i < instances; ++i) {
        const Instance& instance = m_instances.at(i);
        const std::optional<QJsonObject> status
            = getObject(instance, QStringLiteral("/rest/db/status?folder=") + kFolderId);
        const std::optional<QJsonObject> completion = getObject(
            instance,
            QStringLiteral("/rest/db/completion?folder=%1&device=%2").arg(kFolderId, m_instances.at(1 - i).device));
        if (!status || !completion) {
            return false;
        }
        if (status->value(QLatin1String("state")).toString() != QLatin1String("idle")
            || status->value(QLatin1String("needTotalItems")).toInteger(-1) != 0
            || completion->value(QLatin1String("completion")).toDouble() < 100.0
            || completion->value(QLatin1String("needItems")).toInteger(-1) != 0) {
            return false;
        }
    }
    return sameFiles();
}

bool SyncthingPair::sameFiles() const
{
    const auto files = [](const QString& folder) {
        QMap<QString, QByteArray> found;
        QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString name = QDir(folder).relativeFilePath(path);
            if (!name.startsWith(QLatin1String(".stfolder"))) {
                QFile file(path);
                found.insert(name, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
            }
        }
        return found;
    };
    return files(m_instances.at(0).folder) == files(m_instances.at(1).folder);
}

std::optional<QByteArray> SyncthingPair::call(const Instance& instance, const QByteArray& verb,
                                              const QString& pathAndQuery)
{
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(instance.guiPort).arg(pathAndQuery)));
    request.setRawHeader("X-API-Key", instance.apiKey);
    request.setTransferTimeout(kCallMilliseconds);
    std::unique_ptr<QNetworkReply> reply(m_network.sendCustomRequest(request, verb));
    if (!QTest::qWaitFor([&reply] { return reply->isFinished(); }, kCallMilliseconds + 1000)) {
        reply->abort();
    }
    if (reply->error() != QNetworkReply::NoError) {
        fail(QStringLiteral("%1 %2: %3").arg(QString::fromLatin1(verb), pathAndQuery, reply->errorString()));
        return std::nullopt;
    }
    return reply->readAll();
}

std::optional<QJsonObject> SyncthingPair::getObject(const Instance& instance, const QString& pathAndQuery)
{
    const std::optional<QByteArray> body = call(instance, "GET", pathAndQuery);
    if (!body) {
        return std::nullopt;
    }
    const QJsonDocument document = QJsonDocument::fromJson(*body);
    if (!document.isObject()) {
        fail(QStringLiteral("GET %1 gave no object").arg(pathAndQuery));
        return std::nullopt;
    }
    return document.object();
}

bool SyncthingPair::poll(const std::function<bool()>& condition, int timeoutMilliseconds)
{
    QDeadlineTimer deadline(timeoutMilliseconds);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QTest::qWait(kPollMilliseconds);
    }
    return true;
}

bool SyncthingPair::fail(const QString& error)
{
    m_error = error;
    return false;
}

void SyncthingPair::stop()
{
    for (Instance& instance : m_instances) {
        if (instance.process && instance.process->state() != QProcess::NotRunning) {
            instance.process->terminate();
            if (!instance.process->waitForFinished(10000)) {
                instance.process->kill();
                instance.process->waitForFinished(10000);
            }
        }
    }
}

} // namespace wendle::test
