// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/SyncFolder.h"

#include "journal/SyncId.h"

#include <QDirIterator>

#include <algorithm>
#include <limits>

namespace wendle::SyncFolder {

namespace {

// A folder is outside input: looking through it stops after this many names.
constexpr int kMaxNames = 100000;

template <typename Visit> void eachName(const QString& folder, QDir::Filters filters, Visit visit)
{
    QDirIterator names(folder, filters | QDir::NoSymLinks | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (int seen = 0; seen < kMaxNames && names.hasNext(); ++seen) {
        names.next();
        visit(names.fileName());
    }
}

} // namespace

QString root(const QString& chosenFolder)
{
    return chosenFolder + QStringLiteral("/wendle-sync");
}

QString deviceFolder(const QString& root, const QByteArray& device)
{
    return root + u'/' + SyncId::toHex(device);
}

QString segmentPath(const QString& deviceFolder, quint32 number)
{
    return deviceFolder + u'/' + segmentName(number);
}

QString segmentName(quint32 number)
{
    return QStringLiteral("%1.log").arg(number, 6, 10, QLatin1Char('0'));
}

std::optional<quint32> segmentNumber(const QString& name)
{
    if (!name.endsWith(QLatin1String(".log")) || name.size() < 10 || name.size() > 14) {
        return std::nullopt;
    }
    bool isNumber = false;
    const qulonglong number = QStringView(name).chopped(4).toULongLong(&isNumber);
    const bool canonical = isNumber && number >= 1 && number <= std::numeric_limits<quint32>::max()
        && segmentName(quint32(number)) == name;
    return canonical ? std::optional<quint32>(quint32(number)) : std::nullopt;
}

std::vector<quint32> segments(const QString& deviceFolder)
{
    std::vector<quint32> numbers;
    eachName(deviceFolder, QDir::Files, [&](const QString& name) {
        if (const std::optional<quint32> number = segmentNumber(name)) {
            numbers.push_back(*number);
        }
    });
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

std::vector<QByteArray> devices(const QString& root)
{
    std::vector<QByteArray> found;
    eachName(root, QDir::Dirs, [&](const QString& name) {
        if (const std::optional<QByteArray> device = SyncId::fromHex(name)) {
            found.push_back(*device);
        }
    });
    std::sort(found.begin(), found.end());
    return found;
}

bool isConflictCopy(const QString& name)
{
    return name.contains(QLatin1String(".sync-conflict-")) || name.contains(QLatin1String(" (conflicted copy)"));
}

std::vector<QString> conflictCopies(const QString& root)
{
    std::vector<QString> found;
    const auto collect = [&](const QString& folder) {
        eachName(folder, QDir::Files | QDir::Dirs, [&](const QString& name) {
            if (isConflictCopy(name)) {
                found.push_back(folder + u'/' + name);
            }
        });
    };
    collect(root);
    for (const QByteArray& device : devices(root)) {
        collect(deviceFolder(root, device));
    }
    return found;
}

} // namespace wendle::SyncFolder
