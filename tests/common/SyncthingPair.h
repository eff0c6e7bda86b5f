// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace wendle::test {

/**
 * Two real Syncthing instances on this computer that share one folder, as two computers would. They talk over
 * loopback only: discovery, relays, NAT, usage and crash reports and upgrades are off. Only the first dials the
 * second, since a connection both sides dial at once stalls. Both processes end when the pair goes away, however
 * the test ends.
 */
class SyncthingPair
{
public:
    static constexpr int instances = 2;

    SyncthingPair();
    ~SyncthingPair();
    SyncthingPair(const SyncthingPair&) = delete;
    SyncthingPair& operator=(const SyncthingPair&) = delete;

    /** Sets up both homes, starts both instances and waits until they are connected; see `error` when false. */
    [[nodiscard]] bool start(int timeoutMilliseconds);
    /** What went wrong last, with the last lines each instance printed. */
    QString error() const;

    /** The shared folder as instance `index` keeps it. */
    QString folder(int index) const { return m_instances.at(index).folder; }
    /** Everything the pair made: both homes and both copies of the folder. */
    QString root() const { return m_dir.path(); }

    /** Each instance pauses the other, as computers that are apart, and the connection is gone. */
    [[nodiscard]] bool pause(int timeoutMilliseconds);
    /** Each instance resumes the other, and they are connected again. */
    [[nodiscard]] bool resume(int timeoutMilliseconds);
    /**
     * Both have scanned their folder, neither needs anything, each sees the other complete, and both copies of the
     * folder hold the same files with the same bytes, for a few polls in a row.
     */
    [[nodiscard]] bool waitUntilInSync(int timeoutMilliseconds);

private:
    struct Instance
    {
        QString home;
        QString folder;
        QString device;
        quint16 listenPort = 0;
        quint16 guiPort = 0;
        QByteArray apiKey;
        std::unique_ptr<QProcess> process;
    };

    [[nodiscard]] bool generate(Instance& instance);
    [[nodiscard]] bool writeConfig(const Instance& instance, const Instance& other, bool dials);
    [[nodiscard]] bool launch(Instance& instance);
    /** Whether each instance's connection to the other is `connected`. */
    bool connected(bool connected);
    bool inStep();
    /** Both copies of the folder hold the same files with the same bytes; Syncthing's own marker aside. */
    bool sameFiles() const;
    /** A REST call on `instance`; the body on success, nothing (and `error` set) otherwise. */
    std::optional<QByteArray> call(const Instance& instance, const QByteArray& verb, const QString& pathAndQuery);
    std::optional<QJsonObject> getObject(const Instance& instance, const QString& pathAndQuery);
    /** Asks `condition` every quarter second until it holds; false when it did not in time. */
    static bool poll(const std::function<bool()>& condition, int timeoutMilliseconds);
    bool fail(const QString& error);
    void stop();

    QTemporaryDir m_dir;
    QNetworkAccessManager m_network;
    std::array<Instance, instances> m_instances;
    QString m_error;
};

} // namespace wendle::test
