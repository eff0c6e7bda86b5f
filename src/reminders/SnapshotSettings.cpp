// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/SnapshotSettings.h"

#include "journal/Calendar.h"
#include "journal/DateText.h"
#include "journal/SnapshotFolder.h"
#include "ui/FolderChooser.h"
#include "ui/Palette.h"
#include "ui/PlainButton.h"
#include "ui/SwitchToggle.h"
#include "ui/TextLabel.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace wendle {

SnapshotSettings::SnapshotSettings(QString journalPath, int textSize, QWidget* parent)
    : QWidget(parent)
    , m_journalPath(std::move(journalPath))
    , m_keep(new SwitchToggle(tr("Keep snapshots"), textSize, this))
    , m_folder(textLabel(QString(), textSize, Palette::ink(), this))
    , m_choose(new PlainButton(tr("Choose…"), textSize, Palette::accent(), this))
    , m_refusal(textLabel(QString(), textSize, Palette::muted(), this))
    , m_last(textLabel(QString(), textSize, Palette::muted(), this))
{
    const QString about = tr("Once a day, a copy of every entry and its earlier versions, sealed with "
                             "the journal's key: your recovery code opens it.");
    m_keep->setChecked(m_preferences.value(PreferenceKeys::snapshotsEnabled));
    m_keep->setAccessibleDescription(about);
    m_folder->setWordWrap(true);
    m_folder->setTextFormat(Qt::PlainText);
    m_choose->setAccessibleName(tr("Choose the snapshot folder"));
    m_refusal->setWordWrap(true);
    m_refusal->hide();

    auto* folderRow = new QHBoxLayout;
    folderRow->setContentsMargins(0, 0, 0, 0);
    folderRow->addWidget(m_folder, 1);
    folderRow->addWidget(m_choose, 0, Qt::AlignTop);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(10);
    stack->addWidget(m_keep);
    stack->addLayout(folderRow);
    stack->addWidget(m_refusal);
    stack->addWidget(m_last);
    QLabel* note = textLabel(about, textSize, Palette::muted(), this);
    note->setWordWrap(true);
    stack->addWidget(note);
    refresh();

    connect(m_keep, &QAbstractButton::toggled, this,
            [this](bool on) { m_preferences.setValue(PreferenceKeys::snapshotsEnabled, on); });
    connect(m_choose, &QAbstractButton::clicked, this, &SnapshotSettings::askForFolder);
    connect(&SnapshotNotices::instance(), &SnapshotNotices::written, this, &SnapshotSettings::refresh);
}

bool SnapshotSettings::chooseFolder(const QString& folder)
{
    const std::optional<QString> refused = SnapshotFolder::refusal(folder, m_journalPath);
    m_refusal->setText(refused ? tr("Not changed: %1").arg(*refused) : QString());
    m_refusal->setVisible(refused.has_value());
    if (!refused) {
        const QString clean = QDir::cleanPath(QDir::current().absoluteFilePath(folder));
        m_preferences.setString(QString::fromLatin1(PreferenceKeys::snapshotsFolder), clean);
        refresh();
    }
    // The settings window keeps its natural height: it follows the reason and the folder's wrapped lines.
    fitWindowHeight(this);
    return !refused;
}

void SnapshotSettings::refresh()
{
    const QString folder = SnapshotFolder::path(m_preferences);
    const QString shown = QDir::toNativeSeparators(folder);
    // A zero-width space after each separator lets a long path wrap there rather than widen the window.
    m_folder->setText(QString(shown).replace(u'/', QStringLiteral("/\u200b")));
    m_folder->setAccessibleName(tr("Snapshot folder: %1").arg(shown));
    const QDate last = m_preferences.value(PreferenceKeys::lastSnapshot);
    m_last->setText(last.isValid() ? tr("Last snapshot: %1")
                                         .arg(formatDate(QDateTime(last, QTime(12, 0)), QStringLiteral("yMMMMd"),
                                                         Calendar::current()))
                                   : tr("No snapshot yet"));
}

void SnapshotSettings::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refresh();
}

void SnapshotSettings::askForFolder()
{
    wendle::chooseFolder(this, tr("Snapshot folder"), SnapshotFolder::path(m_preferences),
                         [this](const QString& folder) { (void)chooseFolder(folder); });
}

} // namespace wendle
