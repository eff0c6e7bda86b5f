// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/SyncSettings.h"

#include "journal/Calendar.h"
#include "journal/DateText.h"
#include "journal/EntryStore.h"
#include "journal/SyncEngine.h"
#include "ui/FolderChooser.h"
#include "ui/Palette.h"
#include "ui/PlainButton.h"
#include "ui/TextLabel.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace wendle {

namespace {

/** Why `folder` cannot carry the journal's changes; nothing when it can. */
std::optional<QString> refusal(const QString& folder)
{
    const QFileInfo info(folder);
    if (!info.isDir()) {
        return SyncSettings::tr("%1 is not a folder.").arg(folder);
    }
    if (!info.isWritable()) {
        return SyncSettings::tr("%1 cannot be written.").arg(folder);
    }
    // A sync program that copies the journal's own file while it is open is what damages journals.
    const QString journalFolder = QFileInfo(EntryStore::defaultPath()).absolutePath();
    const QString chosen = info.canonicalFilePath();
    const QString own = QFileInfo(journalFolder).canonicalFilePath();
    if (!own.isEmpty() && (own == chosen || own.startsWith(chosen + u'/') || chosen.startsWith(own + u'/'))) {
        return SyncSettings::tr("%1 holds Wendle's own journal file, which a sync program must never copy.")
            .arg(folder);
    }
    return std::nullopt;
}

} // namespace

SyncSettings::SyncSettings(SyncEngine& engine, int textSize, QWidget* parent)
    : QWidget(parent)
    , m_engine(engine)
    , m_state(textLabel(QString(), textSize, Palette::muted(), this))
    , m_folder(textLabel(QString(), textSize, Palette::ink(), this))
    , m_refusal(textLabel(QString(), textSize, Palette::muted(), this))
    , m_choose(new PlainButton(tr("Sync through a folder…"), textSize, Palette::accent(), this))
    , m_stop(new PlainButton(tr("Stop syncing"), textSize, Palette::accent(), this))
    , m_join(new PlainButton(tr("Join that journal…"), textSize, Palette::accent(), this))
    , m_tick(new QTimer(this))
{
    m_state->setWordWrap(true);
    m_folder->setWordWrap(true);
    m_folder->setTextFormat(Qt::PlainText);
    m_refusal->setWordWrap(true);
    m_refusal->hide();

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addWidget(m_choose);
    buttons->addStretch(1);
    buttons->addWidget(m_stop);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(10);
    stack->addWidget(textLabel(tr("Sync"), textSize, Palette::ink(), this));
    stack->addWidget(m_folder);
    stack->addLayout(buttons);
    stack->addWidget(m_refusal);
    stack->addWidget(m_state);
    stack->addWidget(m_join, 0, Qt::AlignLeft);
    QLabel* note = textLabel(tr("Keeps this journal the same on your other computers through a folder that a sync "
                                "program such as Syncthing or Nextcloud keeps in step. Only sealed changes are "
                                "written there; your recovery code joins another computer."),
                             textSize, Palette::muted(), this);
    note->setWordWrap(true);
    stack->addWidget(note);

    m_tick->setInterval(30 * 1000);
    connect(m_tick, &QTimer::timeout, this, &SyncSettings::refresh);
    connect(&m_engine, &SyncEngine::statusChanged, this, &SyncSettings::refresh);
    connect(m_choose, &QAbstractButton::clicked, this, &SyncSettings::askForFolder);
    connect(m_stop, &QAbstractButton::clicked, this, &SyncSettings::stopSyncing);
    connect(m_join, &QAbstractButton::clicked, this, &SyncSettings::joinRequested);
    refresh();
}

bool SyncSettings::chooseFolder(const QString& folder)
{
    const QString clean = QDir::cleanPath(QDir::current().absoluteFilePath(folder));
    const std::optional<QString> refused = refusal(clean);
    m_refusal->setText(refused ? tr("Not changed: %1").arg(*refused) : QString());
    m_refusal->setVisible(refused.has_value());
    if (!refused) {
        m_preferences.setString(QString::fromLatin1(PreferenceKeys::syncFolder), clean);
        m_engine.setFolder(clean);
    }
    refresh();
    return !refused;
}

void SyncSettings::stopSyncing()
{
    m_preferences.remove(QString::fromLatin1(PreferenceKeys::syncFolder));
    m_engine.setFolder(QString());
    m_refusal->hide();
    refresh();
}

QString SyncSettings::stateText(const SyncStatus& status, const QDateTime& now)
{
    const QString text = passText(status, now);
    if (status.entriesTooLong == 0) {
        return text;
    }
    return text + u'\n'
        + tr("%n entries are too long to sync (over 8 MB) and stay on this computer.", nullptr, status.entriesTooLong);
}

QString SyncSettings::passText(const SyncStatus& status, const QDateTime& now)
{
    switch (status.state) {
    case SyncStatus::State::off:
        return tr("Off: this journal is kept on this computer only.");
    case SyncStatus::State::locked:
        return tr("Paused while the journal is locked");
    case SyncStatus::State::syncing:
        return tr("Syncing…");
    case SyncStatus::State::waiting:
        return tr("Waiting for %n computer's changes to finish arriving", nullptr, status.waitingComputers);
    case SyncStatus::State::differentKey:
        return tr("This folder holds a journal sealed with another recovery code. Its entries are not read.");
    case SyncStatus::State::failed:
        return status.failure;
    case SyncStatus::State::synced:
        break;
    }
    if (!status.lastSynced.isValid()) {
        return tr("Waiting for the first sync");
    }
    const qint64 minutes = std::max<qint64>(0, status.lastSynced.secsTo(now) / 60);
    if (minutes < 1) {
        return tr("Last synced just now");
    }
    if (minutes < 60) {
        return tr("Last synced %n minutes ago", nullptr, static_cast<int>(minutes));
    }
    if (minutes < 24 * 60) {
        return tr("Last synced %n hours ago", nullptr, static_cast<int>(minutes / 60));
    }
    return tr("Last synced on %1").arg(formatDate(status.lastSynced, QStringLiteral("yMMMMd"), Calendar::current()));
}

void SyncSettings::refresh()
{
    const QString folder = m_engine.folder();
    const bool on = !folder.isEmpty();
    const QString shown = QDir::toNativeSeparators(folder);
    // A zero-width space after each separator lets a long path wrap there rather than widen the window.
    m_folder->setText(QString(shown).replace(u'/', QStringLiteral("/\u200b")));
    m_folder->setAccessibleName(tr("Sync folder: %1").arg(shown));
    m_folder->setVisible(on);
    m_choose->setText(on ? tr("Choose another folder…") : tr("Sync through a folder…"));
    m_stop->setVisible(on);
    const QString state = stateText(m_engine.status(), QDateTime::currentDateTimeUtc());
    m_state->setText(state);
    m_state->setAccessibleName(state);
    m_join->setVisible(m_engine.status().state == SyncStatus::State::differentKey);
    // The settings window keeps its natural height as lines come and go.
    fitWindowHeight(this);
}

void SyncSettings::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refresh();
    m_tick->start();
}

void SyncSettings::hideEvent(QHideEvent* event)
{
    m_tick->stop();
    QWidget::hideEvent(event);
}

void SyncSettings::askForFolder()
{
    const QString start = m_engine.folder().isEmpty() ? QDir::homePath() : m_engine.folder();
    wendle::chooseFolder(this, tr("Sync folder"), start, [this](const QString& folder) { (void)chooseFolder(folder); });
}

} // namespace wendle
