// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/VersionsSheet.h"

#include "journal/Calendar.h"
#include "journal/DateText.h"
#include "journal/EntryCrypto.h"
#include "ui/EnglishPluralForms.h"
#include "ui/FilledButton.h"
#include "ui/Palette.h"
#include "ui/PlainButton.h"
#include "ui/PlainTextEditor.h"
#include "ui/SheetEdge.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QVBoxLayout>

namespace wendle {

namespace {

QString wordsText(qint64 words, const Calendar& calendar)
{
    //: %1 is a number of words in the user's number format.
    return QCoreApplication::translate("wendle::VersionsSheet", "%1 words", nullptr, pluralCount(words))
        .arg(formatInteger(words, calendar));
}

} // namespace

VersionsSheet::VersionsSheet(const Entry& entry, std::shared_ptr<const EntryKey> key, const EntryStore& store,
                             QWidget* parent)
    : QDialog(parent)
    , m_key(std::move(key))
    , m_store(store)
    , m_versions(store.versions(entry))
{
    setWindowModality(Qt::WindowModal);
    setFixedSize(560, 460);
    useSheetLook(this);
    const QString title = tr("Earlier versions");
    setWindowTitle(title);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(36, 36, 36, 36);
    layout->setSpacing(18);

    auto* header = new QHBoxLayout;
    auto* close = new PlainButton(tr("close"), 12, Palette::muted(), this);
    close->setAccessibleName(tr("close"));
    connect(close, &QAbstractButton::clicked, this, &QDialog::reject);
    header->addWidget(textLabel(title, 12, Palette::muted(), this));
    header->addStretch(1);
    header->addWidget(close);
    layout->addLayout(header);

    const Calendar calendar = Calendar::current();
    m_list = new QListWidget(this);
    m_list->setAccessibleName(title);
    m_list->setFont(Typography::font(12));
    m_list->setFixedHeight(110);
    for (const EntryStore::Version& version : m_versions) {
        m_list->addItem(
            QStringLiteral("%1 · %2").arg(formatDate(version.savedAt, QStringLiteral("yMMMMdjmm"), calendar),
                                          wordsText(version.wordCount, calendar)));
    }
    connect(m_list, &QListWidget::currentRowChanged, this, &VersionsSheet::showVersion);
    layout->addWidget(m_list);

    m_viewer = new PlainTextEditor(Typography::font(13), Palette::ink(), 6, this);
    m_viewer->setReadOnly(true);
    m_viewer->setTabChangesFocus(true);
    m_viewer->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_viewer->setAccessibleName(tr("version text"));
    layout->addWidget(m_viewer, 1);

    auto* footer = new QHBoxLayout;
    m_restore = new FilledButton(tr("Restore this version"), 12, this);
    m_restore->setAccessibleName(m_restore->text());
    m_restore->setPadding(18, 8);
    connect(m_restore, &QAbstractButton::clicked, this, [this] {
        if (m_shown) {
            const QString text = *m_shown;
            accept();
            Q_EMIT restoreRequested(text);
        }
    });
    footer->addStretch(1);
    footer->addWidget(m_restore);
    layout->addLayout(footer);

    setTabOrder(m_list, m_viewer);
    setTabOrder(m_viewer, m_restore);
    setTabOrder(m_restore, close);
    m_list->setFocus(Qt::OtherFocusReason);
    m_list->setCurrentRow(0);
    showVersion(m_list->currentRow());
}

void VersionsSheet::showVersion(int row)
{
    m_shown.reset();
    if (row >= 0 && row < int(m_versions.size())) {
        if (const std::optional<QByteArray> body = m_store.versionBody(m_versions[std::size_t(row)].id)) {
            try {
                m_shown = openEntryText(*body, *m_key);
            } catch (const std::exception&) {
                // Shown as not opening below; it stays in the journal as it is.
            }
        }
    }
    m_viewer->setText(m_shown ? *m_shown : tr("This version does not open with this journal's key."));
    m_viewer->setEnabled(m_shown.has_value());
    m_restore->setEnabled(m_shown.has_value());
    m_restore->setColours(m_shown ? Palette::ink() : Palette::faint(), Palette::paper());
}

} // namespace wendle
