// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/SnapshotScheduler.h"

#include "journal/Clock.h"
#include "journal/EntryStore.h"
#include "journal/SnapshotFolder.h"
#include "transfer/SnapshotWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

namespace wendle {

SnapshotScheduler::SnapshotScheduler(EntryStore& store, const Clock& clock, const QString& journalPath, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_clock(clock)
    , m_journalPath(journalPath)
{
    m_dayCheck.setInterval(checkMilliseconds);
    connect(&m_dayCheck, &QTimer::timeout, this, [this] { writeIfDue(false); });
}

SnapshotScheduler::~SnapshotScheduler()
{
    if (m_workerKey) {
        m_workerKey->revoke();
    }
    if (m_worker) {
        m_worker->wait();
    }
}

void SnapshotScheduler::unlocked(const std::shared_ptr<const EntryKey>& key)
{
    m_key = key;
    if (key) {
        m_dayCheck.start();
        writeIfDue(true);
    } else {
        m_dayCheck.stop();
        if (m_workerKey) {
            m_workerKey->revoke();
        }
    }
}

void SnapshotScheduler::writeIfDue(bool retryFailure)
{
    const std::shared_ptr<const EntryKey> key = m_key.lock();
    const QDate today = m_clock.now().toLocalTime().date();
    if (!key || m_writing || !m_preferences.value(PreferenceKeys::snapshotsEnabled)
        || m_preferences.value(PreferenceKeys::lastSnapshot) == today || (!retryFailure && m_failedDay == today)
        || m_store.entries().empty()) {
        return;
    }
    const QString folder = SnapshotFolder::path(m_preferences);
    // Where the journal itself lies nothing is written, whatever a hand-edited setting says.
    if (QDir(folder).absolutePath() == QFileInfo(m_journalPath).absolutePath()) {
        //: Why the last snapshot failed, in a few words.
        const QString problem = tr("the folder is the journal's own");
        done({{}, 0, problem, false}, today);
        return;
    }
    // The worker reads the file: what is pending goes there first. A save that fails keeps retrying on its own,
    // and the snapshot holds what the file holds.
    if (m_store.hasUnsavedChanges()) {
        static_cast<void>(m_store.save());
    }
    m_writing = true;
    m_workerKey = std::make_shared<SnapshotKey>(*key);
    auto outcome = std::make_shared<SnapshotOutcome>();
    QThread* worker = QThread::create([folder, today, path = m_journalPath, workerKey = m_workerKey, outcome] {
        *outcome = writeSnapshot(folder, today, path, *workerKey);
    });
    m_worker = worker;
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &QThread::finished, this, [this, outcome, today] { done(*outcome, today); });
    worker->start();
}

void SnapshotScheduler::done(const SnapshotOutcome& outcome, QDate day)
{
    m_writing = false;
    m_workerKey.reset();
    if (outcome.cancelled) {
        // Neither written nor failed: due again, at once if the journal was unlocked while the worker stopped.
        if (m_key.lock()) {
            writeIfDue(true);
        }
        return;
    }
    m_problem = outcome.problem;
    if (outcome.problem.isEmpty()) {
        m_failedDay = QDate();
        m_preferences.setValue(PreferenceKeys::lastSnapshot, day);
        Q_EMIT SnapshotNotices::instance().written();
    } else {
        m_failedDay = day;
    }
    Q_EMIT finished();
}

} // namespace wendle
