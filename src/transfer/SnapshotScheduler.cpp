// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/SnapshotScheduler.h"

#include "journal/Clock.h"
#include "journal/EntryStore.h"
#include "journal/SnapshotFolder.h"
#include "transfer/JournalBackup.h"
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
        done(tr("the folder is the journal's own"), today);
        return;
    }
    m_writing = true;
    // The bodies are read here, where the store lives; everything slow happens on the worker.
    auto contents = std::make_shared<BackupContents>(sealedJournal(m_store, true));
    auto outcome = std::make_shared<SnapshotOutcome>();
    QThread* worker = QThread::create([folder, today, contents, key, outcome] {
        *outcome = writeSnapshot(folder, today, std::move(*contents), *key);
    });
    m_worker = worker;
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &QThread::finished, this, [this, outcome, today] { done(outcome->problem, today); });
    worker->start();
}

void SnapshotScheduler::done(const QString& problem, QDate day)
{
    m_writing = false;
    m_problem = problem;
    if (problem.isEmpty()) {
        m_failedDay = QDate();
        m_preferences.setValue(PreferenceKeys::lastSnapshot, day);
    } else {
        m_failedDay = day;
    }
    Q_EMIT finished();
}

} // namespace wendle
