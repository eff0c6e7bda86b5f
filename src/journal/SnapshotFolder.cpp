// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/SnapshotFolder.h"

#include "journal/Preferences.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace wendle::SnapshotFolder {

namespace {

const QRegularExpression& snapshotName()
{
    static const QRegularExpression name(QStringLiteral("^wendle-(\\d{4}-\\d{2}-\\d{2})\\.wendlesnap$"));
    return name;
}

/** `path` made absolute and clean, with links resolved as far as the path exists. */
QString resolved(const QString& path)
{
    QString clean = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    QString missing;
    while (!QFileInfo::exists(clean) && clean != QStringLiteral("/")) {
        missing.prepend(u'/' + QFileInfo(clean).fileName());
        clean = QFileInfo(clean).absolutePath();
    }
    const QString canonical = QFileInfo(clean).canonicalFilePath();
    return QDir::cleanPath((canonical.isEmpty() ? clean : canonical) + missing);
}

bool within(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder == QStringLiteral("/") ? folder : folder + u'/');
}

} // namespace

QString defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/wendle/snapshots");
}

QString path(const Preferences& preferences)
{
    const std::optional<QString> chosen = preferences.string(QString::fromLatin1(PreferenceKeys::snapshotsFolder));
    return chosen && !chosen->isEmpty() ? *chosen : defaultPath();
}

std::optional<QString> refusal(const QString& folder, const QString& journalPath)
{
    if (folder.trimmed().isEmpty()) {
        return QCoreApplication::translate("wendle::SnapshotFolder", "No folder was given.");
    }
    const QString place = resolved(folder);
    const QString journal = resolved(journalPath);
    if (place == journal || place == QFileInfo(journal).absolutePath()) {
        return QCoreApplication::translate("wendle::SnapshotFolder",
                                           "That is the journal's own folder: snapshots belong beside it, not in it.");
    }
    // Emptied at restart, or not a place for files at all; the user's own home is theirs wherever it lies.
    const QString home = resolved(QDir::homePath());
    const bool inHome = home != QStringLiteral("/") && within(place, home);
    for (const char* system : {"/tmp", "/var/tmp", "/proc", "/dev", "/run", "/sys"}) {
        if (!inHome && within(place, QString::fromLatin1(system))) {
            return QCoreApplication::translate("wendle::SnapshotFolder",
                                               "%1 is a system or temporary place: snapshots there could vanish.")
                .arg(place);
        }
    }
    QString existing = place;
    while (!QFileInfo::exists(existing) && existing != QStringLiteral("/")) {
        existing = QFileInfo(existing).absolutePath();
    }
    const QFileInfo info(existing);
    if (!info.isDir()) {
        return QCoreApplication::translate("wendle::SnapshotFolder", "%1 is not a folder.").arg(existing);
    }
    if (!info.isWritable()) {
        return QCoreApplication::translate("wendle::SnapshotFolder", "The folder %1 is not writable.").arg(existing);
    }
    return std::nullopt;
}

QString fileName(QDate day)
{
    return QStringLiteral("wendle-%1.wendlesnap").arg(day.toString(Qt::ISODate));
}

std::optional<QDate> dayOf(const QString& fileName)
{
    const QRegularExpressionMatch match = snapshotName().match(fileName);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const QDate day = QDate::fromString(match.captured(1), Qt::ISODate);
    return day.isValid() ? std::optional(day) : std::nullopt;
}

bool isUnfinished(const QString& fileName)
{
    // The writer stages ".NAME.XXXXXX" beside NAME (mkstemp's six characters).
    static const QRegularExpression staged(
        QStringLiteral("^\\.wendle-\\d{4}-\\d{2}-\\d{2}\\.wendlesnap\\.[A-Za-z0-9]{6}(\\.replaced)?$"));
    return staged.match(fileName).hasMatch();
}

std::vector<QDate> days(const QString& folder)
{
    std::vector<QDate> found;
    for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files)) {
        if (std::optional<QDate> day = dayOf(file.fileName())) {
            found.push_back(*day);
        }
    }
    return found;
}

QString filter()
{
    return QCoreApplication::translate("wendle::SnapshotFolder", "Wendle snapshots (*.wendlesnap)");
}

} // namespace wendle::SnapshotFolder

namespace wendle {

SnapshotNotices& SnapshotNotices::instance()
{
    static SnapshotNotices notices;
    return notices;
}

} // namespace wendle
