// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/SyncPass.h"

#include "journal/SyncFolder.h"
#include "journal/SyncLogWriter.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace wendle::SyncPass {

namespace {

/** The paths whose change means another computer's changes may have arrived. */
QStringList watchPathsOf(const QString& root, const QByteArray& ownDevice)
{
    QStringList paths{root};
    for (const QByteArray& device : SyncFolder::devices(root)) {
        if (device == ownDevice) {
            continue;
        }
        const QString folder = SyncFolder::deviceFolder(root, device);
        paths << folder;
        // A sync program that writes a segment in place changes the file, not its folder.
        if (const std::vector<quint32> segments = SyncFolder::segments(folder); !segments.empty()) {
            paths << SyncFolder::segmentPath(folder, segments.back());
        }
    }
    return paths;
}

/** Appends the outgoing changes, opening the own log first when it is not open; compacts it when that is due. */
bool writeOwn(Input& input, Result& result)
{
    const QString root = SyncFolder::root(input.chosenFolder);
    if (!input.ownLog) {
        auto log = std::make_unique<SyncLogWriter>(root, input.device, input.key);
        if (!log->open(&result.failure)) {
            return false;
        }
        result.ownLogWasEmpty = log->recordCount() == 0;
        input.ownLog = std::move(log);
    }
    result.ownLog = std::move(input.ownLog);
    if (!input.outgoing.empty() && !result.ownLog->append(input.outgoing, &result.failure)) {
        return false;
    }
    result.appended = true;
    if (result.ownLog->compactionDue() && !result.ownLog->compact(&result.failure)) {
        return false;
    }
    result.highestClock = result.ownLog->highestClock();
    return true;
}

} // namespace

Result run(Input input, const std::atomic_bool& cancelled)
{
    Result result;
    const auto cancel = [&] {
        result = Result();
        result.cancelled = true;
        return std::move(result);
    };
    // A folder that is gone (a drive not mounted) is never made again here: the sync program would not see it.
    if (!QFileInfo(input.chosenFolder).isDir()) {
        result.failure = QCoreApplication::translate("wendle::SyncPass", "The sync folder %1 is not there.")
                             .arg(input.chosenFolder);
        return result;
    }
    if (!writeOwn(input, result)) {
        result.ownLog.reset();
        return result;
    }
    const QString root = SyncFolder::root(input.chosenFolder);
    std::size_t budget = input.recordLimit;
    for (const QByteArray& device : SyncFolder::devices(root)) {
        if (cancelled.load()) {
            return cancel();
        }
        if (device == input.device) {
            continue;
        }
        if (budget == 0) {
            result.moreToRead = true;
            break;
        }
        const SyncCursor from = input.cursors.value(device);
        SyncLogReader::Pass read = SyncLogReader(root, device, input.key).read(from, budget);
        budget -= std::min(budget, read.records.size());
        result.devices.push_back({device, from, std::move(read)});
    }
    if (cancelled.load()) {
        return cancel();
    }
    result.conflictCopies = SyncFolder::conflictCopies(root);
    result.watchPaths = watchPathsOf(root, input.device);
    return result;
}

} // namespace wendle::SyncPass
