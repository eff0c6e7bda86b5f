// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/UpdateDialog.h"

#include "ui/Palette.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QDialogButtonBox>
#include <QImage>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace wendle {

namespace {

/** Release notes from the network: shown as they are, never fetching images or styles they point to. */
class ReleaseNotesView : public QTextBrowser
{
public:
    using QTextBrowser::QTextBrowser;

    QVariant loadResource(int type, const QUrl&) override
    {
        // An empty picture rather than none, so no broken-image mark stands in for what was left out.
        if (type == QTextDocument::ImageResource) {
            QImage blank(1, 1, QImage::Format_ARGB32);
            blank.fill(Qt::transparent);
            return blank;
        }
        return {};
    }
};

} // namespace

UpdateDialog::UpdateDialog(const UpdateRelease& release, const QString& currentVersion, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Software update"));
    Palette::usePaperBackground(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->setSpacing(12);
    layout->addWidget(textLabel(tr("Wendle %1 is available.").arg(release.shortVersion), 15, Palette::ink(), this));
    layout->addWidget(textLabel(tr("You have version %1.").arg(currentVersion), 12, Palette::muted(), this));

    auto* notes = new ReleaseNotesView(this);
    notes->setOpenLinks(false);
    notes->setFont(Typography::font(12));
    notes->setMinimumSize(440, 220);
    if (!release.notes.isEmpty()) {
        if (Qt::mightBeRichText(release.notes)) {
            notes->setHtml(release.notes);
        } else {
            notes->setPlainText(release.notes);
        }
    } else if (release.notesLink.isValid()) {
        notes->setPlainText(tr("Release notes: %1").arg(release.notesLink.toDisplayString()));
    } else {
        notes->setPlainText(tr("This release comes without notes."));
    }
    layout->addWidget(notes, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* download = buttons->addButton(tr("Download"), QDialogButtonBox::AcceptRole);
    download->setDefault(true);
    buttons->addButton(tr("Not now"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        Q_EMIT downloadRequested();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

} // namespace wendle
