// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/SyncEngine.h"

#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/SyncFolder.h"
#include "journal/SyncId.h"
#include "journal/SyncLogWriter.h"
#include "journal/SyncMerge.h"
#include "journal/SystemLog.h"
#include "journal/WordCount.h"

#include <QThread>

#include <algorithm>
#include <optional>
#include <syslog.h>

namespace wendle {

namespace {

/** After a change in the folder, a pass waits this long for the sync program to finish what it is copying. */
constexpr int settleMilliseconds = 1000;

std::optional<QString> openedText(const QByteArray& body, const EntryKey& key)
{
    try {
        return openEntryText(body, key);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<QByteArray> sealed(const QString& text, const EntryKey& key)
{
    try {
        return sealEntryText(text, key);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool tooLongForARecord(const QString& text)
{
    // Counting UTF-8 bytes costs a copy, so only for texts that could be too long at three bytes a unit.
    return text.size() * 3 > SyncRecordFormat::maxTextLength && text.toUtf8().size() > SyncRecordFormat::maxTextLength;
}

bool isWaitingStop(SyncLogReader::Stop stop)
{
    switch (stop) {
    case SyncLogReader::Stop::gap:
    case SyncLogReader::Stop::incomplete:
    case SyncLogReader::Stop::unauthenticated:
    case SyncLogReader::Stop::tooLong:
    case SyncLogReader::Stop::unknownFormat:
        return true;
    case SyncLogReader::Stop::caughtUp:
    case SyncLogReader::Stop::limit:
    case SyncLogReader::Stop::unreadable:
        break;
    }
    return false;
}

/**
 * The device's very first record does not open under this key: its log belongs to another journal. A record
 * still arriving stops the reading as `incomplete`, and a first segment not there yet as a `gap`; a whole record
 * at the start that fails authentication is neither.
 */
bool underAnotherKey(const SyncPass::DeviceRead& read)
{
    return read.from == SyncCursor{} && read.read.records.empty()
        && read.read.stop == SyncLogReader::Stop::unauthenticated;
}

} // namespace

SyncEngine::SyncEngine(EntryStore& store, const Clock& clock, QObject* parent, QString deviceIdPath,
                       QString machineIdPath)
    : QObject(parent)
    , m_store(store)
    , m_clock(clock)
    , m_deviceIdPath(std::move(deviceIdPath))
    , m_machineIdPath(std::move(machineIdPath))
{
    m_interval.setInterval(intervalMilliseconds);
    connect(&m_interval, &QTimer::timeout, this, [this] { requestPass(0); });
    m_soon.setSingleShot(true);
    connect(&m_soon, &QTimer::timeout, this, &SyncEngine::startPass);
    const auto changed = [this] {
        if (!m_soon.isActive()) {
            requestPass(settleMilliseconds);
        }
    };
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, changed);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, changed);
    // Nothing is merged into a journal before its whole-file check has found it sound.
    connect(&m_store, &EntryStore::integrityChecked, this, [this] {
        if (active()) {
            requestPass(0);
        }
    });
    // A save of a change made here: its record goes to the log at once.
    connect(&m_store, &EntryStore::saved, this, [this] {
        if (active() && m_clockKnown) {
            queueOwnChanges();
            if (!m_outgoing.empty()) {
                requestPass(0);
            }
        }
    });
}

SyncEngine::~SyncEngine()
{
    if (m_worker) {
        m_cancelled->store(true);
        m_worker->wait();
    }
}

bool SyncEngine::active() const
{
    return m_key && !m_folder.isEmpty();
}

void SyncEngine::setFolder(const QString& chosenFolder)
{
    if (chosenFolder == m_folder) {
        return;
    }
    cancelPass();
    m_folder = chosenFolder;
    // The log of another folder is not this one's; its clock is learnt again when the new one is read.
    m_ownLog.reset();
    m_clockKnown = false;
    m_reportedConflicts.clear();
    watch({});
    if (m_folder.isEmpty()) {
        m_interval.stop();
        m_soon.stop();
        setStatus({});
        return;
    }
    setStatus({m_key ? SyncStatus::State::syncing : SyncStatus::State::locked, m_status.lastSynced, 0, 0, {}});
    if (m_key) {
        m_interval.start();
        requestPass(0);
    }
}

void SyncEngine::unlocked(std::shared_ptr<const EntryKey> key)
{
    if (m_key && key != m_key) {
        // The journal joined another: what is under way is sealed under the key it had, and its log starts over.
        cancelPass();
        m_ownLog.reset();
        m_clockKnown = false;
        m_outgoing.clear();
        m_queued.clear();
    }
    m_key = std::move(key);
    if (!m_folder.isEmpty()) {
        setStatus({SyncStatus::State::syncing, m_status.lastSynced, 0, 0, {}});
        m_interval.start();
        requestPass(0);
    }
}

void SyncEngine::locked()
{
    cancelPass();
    m_key.reset();
    m_ownLog.reset();
    m_clockKnown = false;
    // Queued records hold plain text: nothing of it stays behind the lock. The marks bring them back.
    m_outgoing.clear();
    m_queued.clear();
    m_tooLong.clear();
    m_interval.stop();
    m_soon.stop();
    watch({});
    if (!m_folder.isEmpty()) {
        setStatus({SyncStatus::State::locked, m_status.lastSynced, 0, 0, {}});
    }
}

void SyncEngine::syncNow()
{
    requestPass(0);
}

void SyncEngine::requestPass(int delayMilliseconds)
{
    if (m_worker) {
        m_passWanted = true;
        return;
    }
    m_soon.start(delayMilliseconds);
}

void SyncEngine::cancelPass()
{
    ++m_generation;
    if (m_cancelled) {
        m_cancelled->store(true);
    }
    m_passWanted = false;
    // What was in flight may or may not have reached the log: it goes again, under a new stamp.
    for (const Outgoing& sent : m_inFlight) {
        m_queued.remove(sent.entry);
    }
    m_inFlight.clear();
}

void SyncEngine::startPass()
{
    if (!active() || m_store.integrity() != EntryStore::Integrity::sound) {
        return;
    }
    if (m_worker) {
        m_passWanted = true;
        return;
    }
    if (m_device.isEmpty()) {
        QString error;
        const std::optional<QByteArray> device = SyncDevice::id(m_deviceIdPath, &error, m_machineIdPath);
        if (!device) {
            setStatus({SyncStatus::State::failed, m_status.lastSynced, 0, 0, error});
            return;
        }
        m_device = *device;
    }
    if (m_clockKnown) {
        queueOwnChanges();
    }
    SyncPass::Input input;
    input.chosenFolder = m_folder;
    input.device = m_device;
    input.key = m_key;
    input.ownLog = std::move(m_ownLog);
    input.cursors = m_store.syncCursors();
    input.recordLimit = batchRecords;
    m_inFlight = std::move(m_outgoing);
    m_outgoing.clear();
    input.outgoing.reserve(m_inFlight.size());
    for (const Outgoing& change : m_inFlight) {
        input.outgoing.push_back(change.record);
    }
    m_passWanted = false;
    m_cancelled = std::make_shared<std::atomic_bool>(false);
    auto result = std::make_shared<SyncPass::Result>();
    m_worker.reset(QThread::create(
        [result, cancelled = m_cancelled, input = std::make_shared<SyncPass::Input>(std::move(input))]() mutable {
            *result = SyncPass::run(std::move(*input), *cancelled);
            // The key goes with the input here, on the worker, not whenever the GUI thread gets to it.
            input.reset();
        }));
    connect(m_worker.get(), &QThread::finished, this, [this, result, generation = m_generation] {
        // `finished` comes from the thread's last moments: let it end before it goes.
        m_worker->wait();
        m_worker.reset();
        finishPass(std::move(*result), generation);
    });
    m_worker->start();
}

void SyncEngine::finishPass(SyncPass::Result result, quint64 generation)
{
    if (generation != m_generation || result.cancelled || !active()) {
        if (m_passWanted && active()) {
            requestPass(0);
        }
        return;
    }
    m_ownLog = std::move(result.ownLog);
    if (!result.failure.isEmpty()) {
        // Entries sent to a new log go again, all of them: some may not be in it.
        m_sendAll = m_sendAll
            || std::any_of(m_inFlight.begin(), m_inFlight.end(), [](const Outgoing& sent) { return !sent.marked; });
        cancelPass();
        updateStatus(result, true);
        Q_EMIT passFinished();
        return;
    }
    for (const Outgoing& sent : m_inFlight) {
        if (sent.marked) {
            m_store.markLogged(sent.entry, sent.logRevision);
        }
        if (m_queued.value(sent.entry) == sent.logRevision) {
            m_queued.remove(sent.entry);
        }
    }
    m_inFlight.clear();
    learnClock(result.highestClock);
    if (result.ownLogWasEmpty) {
        m_sendAll = true;
    }
    const bool saved = apply(result.devices);
    logConflictCopies(result.conflictCopies);
    watch(result.watchPaths);
    updateStatus(result, saved);
    const bool moreToRead = result.moreToRead
        || std::any_of(result.devices.begin(), result.devices.end(),
                       [](const SyncPass::DeviceRead& read) { return read.read.stop == SyncLogReader::Stop::limit; });
    if (saved && (moreToRead || !m_outgoing.empty() || m_passWanted)) {
        requestPass(0);
        return;
    }
    Q_EMIT passFinished();
}

void SyncEngine::learnClock(quint64 ownLogClock)
{
    if (!m_clockKnown) {
        for (const Entry* entry : m_store.entries()) {
            m_lamport = std::max({m_lamport, entry->stamp().clock, entry->creditStamp().clock});
        }
        m_clockKnown = true;
    }
    m_lamport = std::max(m_lamport, ownLogClock);
}

void SyncEngine::queueOwnChanges()
{
    const bool sendAll = std::exchange(m_sendAll, false);
    for (Entry* entry : sendAll ? m_store.entries() : m_store.entriesAwaitingLog()) {
        const bool marked = entry->logMark() != 0 || entry->stamp().device.isEmpty();
        const auto queued = m_queued.constFind(entry);
        if ((!marked && !sendAll) || (queued != m_queued.constEnd() && *queued == entry->logRevision())
            || !SyncId::isValid(entry->globalId())) {
            continue;
        }
        const std::optional<QString> text = openedText(entry->cipherBody(), *m_key);
        if (!text) {
            // Not this key's text (kept aside by the store when it is replaced): nothing another computer could read.
            m_queued.insert(entry, entry->logRevision());
            continue;
        }
        if (tooLongForARecord(*text)) {
            // One entry that cannot go holds back no other; it goes once an edit brings it under the limit.
            if (!m_tooLong.contains(entry)) {
                m_tooLong.insert(entry);
                logToSystem(LOG_WARNING,
                            QStringLiteral("sync: an entry of %1 characters is too long to go to the other computers")
                                .arg(text->size()));
            }
            m_queued.insert(entry, entry->logRevision());
            continue;
        }
        m_tooLong.remove(entry);
        SyncStamp stamp = entry->stamp();
        SyncStamp creditStamp = entry->creditStamp();
        if (marked) {
            stamp = {++m_lamport, m_device};
            if ((entry->logMark() & Entry::creditChanged) || creditStamp.device.isEmpty()) {
                creditStamp = stamp;
            }
            m_store.setSyncStamps(entry, stamp, creditStamp);
            m_queued.insert(entry, entry->logRevision());
        }
        m_outgoing.push_back({entry,
                              entry->logRevision(),
                              marked,
                              {entry->globalId(), entry->date(), entry->dayKey(), entry->promptID(),
                               entry->categoryRaw(), *text, entry->creditedWords(), stamp, creditStamp}});
    }
}

bool SyncEngine::apply(const std::vector<SyncPass::DeviceRead>& devices)
{
    // Changes made here are saved, and stamped, before anything merges with them.
    if (!m_store.save()) {
        return false;
    }
    queueOwnChanges();
    QHash<QByteArray, SyncCursor> moved;
    {
        const EntryStore::ChangeGroup group(m_store);
        for (const SyncPass::DeviceRead& device : devices) {
            for (const SyncLogReader::Read& read : device.read.records) {
                applyRecord(read.record);
            }
            if (!(device.read.cursor == device.from)) {
                moved.insert(device.device, device.read.cursor);
            }
        }
    }
    return m_store.save() && (moved.isEmpty() || m_store.setSyncCursors(moved));
}

void SyncEngine::applyRecord(const SyncRecord& record)
{
    if (!SyncId::isValid(record.entryId)) {
        return;
    }
    m_lamport = std::max({m_lamport, record.stamp.clock, record.creditStamp.clock});
    Entry* entry = m_store.entryWithGlobalId(record.entryId);
    std::optional<SyncEntryState> local;
    if (entry) {
        local = SyncEntryState{entry->stamp(), openedText(entry->cipherBody(), *m_key).value_or(QString()),
                               entry->creditStamp(), entry->creditedWords()};
    }
    const SyncMergeOutcome outcome = SyncMerge::merge(local, record);
    if (outcome.body == SyncMergeOutcome::Body::unchanged) {
        return;
    }
    const std::optional<QByteArray> body
        = sealed(outcome.body == SyncMergeOutcome::Body::keepCurrent ? record.text : outcome.state.text, *m_key);
    if (!body) {
        return;
    }
    switch (outcome.body) {
    case SyncMergeOutcome::Body::create:
        m_store.insert(NewEntry{record.date, record.dayKey, record.promptID, record.categoryRaw, *body,
                                record.creditedWords, record.entryId, SyncStamps{record.stamp, record.creditStamp}});
        return;
    case SyncMergeOutcome::Body::takeIncoming:
        m_store.takeSyncedBody(entry, *body, *m_key, outcome.state.stamp);
        break;
    case SyncMergeOutcome::Body::keepCurrent:
        if (outcome.keepsVersion) {
            m_store.addVersion(entry, *body, m_clock.now(), countWords(record.text));
        }
        break;
    case SyncMergeOutcome::Body::unchanged:
        break;
    }
    if (!(outcome.state.creditStamp == local->creditStamp)) {
        m_store.takeSyncedCredit(entry, outcome.state.creditedWords, outcome.state.creditStamp);
    }
}

void SyncEngine::updateStatus(const SyncPass::Result& result, bool saved)
{
    SyncStatus status{SyncStatus::State::synced, m_status.lastSynced, 0, int(m_tooLong.size()), {}};
    bool otherKey = false;
    bool unreadable = false;
    bool moreToRead = result.moreToRead;
    for (const SyncPass::DeviceRead& read : result.devices) {
        if (underAnotherKey(read)) {
            otherKey = true;
        } else if (isWaitingStop(read.read.stop)) {
            ++status.waitingComputers;
        } else if (read.read.stop == SyncLogReader::Stop::unreadable) {
            unreadable = true;
        } else if (read.read.stop == SyncLogReader::Stop::limit) {
            moreToRead = true;
        }
    }
    if (!result.failure.isEmpty()) {
        status.state = SyncStatus::State::failed;
        status.failure = result.failure;
    } else if (unreadable) {
        status.state = SyncStatus::State::failed;
        status.failure = tr("Couldn't read the other computers' changes in the sync folder %1.").arg(m_folder);
    } else if (!saved) {
        status.state = SyncStatus::State::failed;
        status.failure = tr("Couldn't save the changes from the sync folder %1 to the journal: %2.")
                             .arg(m_folder, m_store.saveFailure());
    } else if (otherKey) {
        status.state = SyncStatus::State::differentKey;
    } else if (moreToRead) {
        status.state = SyncStatus::State::syncing;
    } else if (status.waitingComputers > 0) {
        status.state = SyncStatus::State::waiting;
    } else {
        status.lastSynced = m_clock.now();
    }
    setStatus(status);
}

void SyncEngine::setStatus(const SyncStatus& status)
{
    if (status == m_status) {
        return;
    }
    m_status = status;
    Q_EMIT statusChanged();
}

void SyncEngine::logConflictCopies(const std::vector<QString>& copies)
{
    for (const QString& copy : copies) {
        if (!m_reportedConflicts.contains(copy)) {
            m_reportedConflicts.insert(copy);
            logToSystem(
                LOG_WARNING,
                QStringLiteral("the sync program left a conflict copy, which Wendle does not read: %1").arg(copy));
        }
    }
}

void SyncEngine::watch(const QStringList& paths)
{
    QStringList stale = m_watcher.files() + m_watcher.directories();
    QStringList added;
    for (const QString& path : paths) {
        if (!stale.removeOne(path)) {
            added << path;
        }
    }
    if (!stale.isEmpty()) {
        static_cast<void>(m_watcher.removePaths(stale));
    }
    if (!added.isEmpty()) {
        static_cast<void>(m_watcher.addPaths(added));
    }
}

} // namespace wendle
