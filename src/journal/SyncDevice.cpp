// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/SyncDevice.h"

#include "journal/SyncId.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageAuthenticationCode>
#include <QSaveFile>
#include <QStandardPaths>

namespace wendle::SyncDevice {

namespace {

// Both files are a line or two: anything longer is not what we look for.
constexpr qint64 kMaxFileSize = 1024;

QByteArray readSmall(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.read(kMaxFileSize);
}

// An app-specific hash, as systemd advises: the machine id is not to be copied where others may read it.
QByteArray machineBinding(const QString& machineIdPath)
{
    return QMessageAuthenticationCode::hash("wendle-sync-device", readSmall(machineIdPath).trimmed(),
                                            QCryptographicHash::Sha256)
        .toHex();
}

} // namespace

QString defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/wendle/sync-device");
}

std::optional<QByteArray> id(const QString& path, QString* error, const QString& machineIdPath)
{
    const QByteArray binding = machineBinding(machineIdPath);
    const QList<QByteArray> lines = readSmall(path).split('\n');
    if (lines.size() >= 2 && lines[1] == binding) {
        if (std::optional<QByteArray> kept = SyncId::fromHex(QString::fromLatin1(lines[0]))) {
            return kept;
        }
    }
    const QByteArray made = SyncId::random();
    const QString folder = QFileInfo(path).absolutePath();
    QSaveFile file(path);
    const QByteArray contents = SyncId::toHex(made).toLatin1() + '\n' + binding + '\n';
    const bool kept = QDir().mkpath(folder) && file.open(QIODevice::WriteOnly)
        && file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        && file.write(contents) == contents.size() && file.commit();
    if (!kept) {
        *error = QCoreApplication::translate("wendle::SyncDevice", "Couldn't keep this computer's sync id in %1: %2.")
                     .arg(path, file.errorString());
        return std::nullopt;
    }
    return made;
}

} // namespace wendle::SyncDevice
