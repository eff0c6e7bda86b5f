// SPDX-License-Identifier: GPL-3.0-or-later
#include "lock/RecoveryCodeSheet.h"

#include "journal/Calendar.h"
#include "journal/Clock.h"
#include "journal/Preferences.h"
#include "journal/RecoveryCodeReminder.h"
#include "lock/CodePrinting.h"
#include "ui/FilledButton.h"
#include "ui/LiveLabel.h"
#include "ui/MessageBox.h"
#include "ui/Palette.h"
#include "ui/PlainButton.h"
#include "ui/SheetEdge.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QApplication>
#include <QClipboard>
#include <QCryptographicHash>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

namespace wendle {

namespace {

constexpr int kGroupsPerLine = 5;

// Lines of five groups: short enough to read aloud and copy by hand without losing one's place.
QString inLines(const QString& code)
{
    const QStringList groups = code.split(u'-');
    QStringList lines;
    for (int i = 0; i < groups.size(); i += kGroupsPerLine) {
        lines << groups.mid(i, kGroupsPerLine).join(u'-');
    }
    return lines.join(u'\n');
}

QByteArray fingerprint(const QString& text)
{
    return QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256);
}

} // namespace

RecoveryCodeSheet::RecoveryCodeSheet(const QString& code, QWidget* parent)
    : QDialog(parent)
    , m_code(code)
    , m_copied(new LiveLabel(12, Palette::accent(), this))
{
    setWindowTitle(tr("Recovery code"));
    setWindowModality(Qt::WindowModal);
    setFixedSize(560, 420);
    useSheetLook(this);

    auto* title = textLabel(tr("Your recovery code"), 15, Palette::ink(), this);
    auto* note = textLabel(tr("If your keyring ever loses Wendle's key, this code opens your journal again. "
                              "Keep it somewhere safe away from this computer: on paper, or in a password "
                              "manager. Anyone with the code and your journal file can read it."),
                           12, Palette::muted(), this);
    note->setWordWrap(true);
    auto* codeLabel = new QLabel(inLines(code), this);
    codeLabel->setFont(Typography::font(20, QFont::Medium));
    setTextColour(codeLabel, Palette::ink());
    codeLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The code itself, in its groups, is what a screen reader must read out.
    codeLabel->setAccessibleName(tr("recovery code: %1").arg(code));
    codeLabel->setAlignment(Qt::AlignCenter);

    auto* copy = new PlainButton(tr("Copy"), 13, Palette::ink(), this);
    auto* print = new PlainButton(tr("Print…"), 13, Palette::ink(), this);
    auto* stored = new FilledButton(tr("I've stored it safely"), 13, this);
    stored->setColours(Palette::ink(), Palette::paper());
    connect(copy, &QAbstractButton::clicked, this, &RecoveryCodeSheet::copyCode);
    connect(print, &QAbstractButton::clicked, this, &RecoveryCodeSheet::printCode);
    connect(stored, &QAbstractButton::clicked, this, &QDialog::accept);
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, this, &QDialog::accept);
    }

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(24);
    buttons->addWidget(copy);
    buttons->addWidget(print);
    buttons->addWidget(m_copied);
    buttons->addStretch(1);
    buttons->addWidget(stored);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 28, 32, 28);
    layout->setSpacing(14);
    layout->addWidget(title);
    layout->addWidget(note);
    layout->addStretch(1);
    layout->addWidget(codeLabel);
    layout->addStretch(1);
    layout->addLayout(buttons);

    // Seen today: the Today screen's reminder to check the code starts its ninety days again.
    Preferences preferences;
    RecoveryCodeReminder(preferences)
        .recordChecked(RecoveryCodeReminder::dateOf(systemClock().now(), Calendar::current()));
}

void RecoveryCodeSheet::offerJoining()
{
    auto* join = new PlainButton(tr("Use my journal from another computer…"), 13, Palette::accent(), this);
    connect(join, &QAbstractButton::clicked, this, [this] {
        reject();
        Q_EMIT joinRequested();
    });
    // Above the row of buttons, the sheet's last item.
    auto* stack = static_cast<QVBoxLayout*>(layout());
    stack->insertWidget(stack->count() - 1, join, 0, Qt::AlignLeft);
}

RecoveryCodeSheet::~RecoveryCodeSheet()
{
    m_code.fill(u'0');
}

void RecoveryCodeSheet::copyCode()
{
    auto* data = new QMimeData;
    data->setText(m_code);
    // Asks clipboard managers that honour it to keep the code out of their history.
    data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
    QGuiApplication::clipboard()->setMimeData(data);
    m_copied->announce(tr("copied — cleared in a minute"));

    const QByteArray copied = fingerprint(m_code);
    QTimer::singleShot(clipboardSeconds * 1000, qApp, [copied] {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (fingerprint(clipboard->text()) == copied) {
            clipboard->clear();
        }
    });
}

void RecoveryCodeSheet::printCode()
{
    const PrintedCode page{tr("Print recovery code"),
                           tr("Wendle recovery code\n\nThis code opens your journal if your keyring loses "
                              "its key. Keep this page somewhere safe."),
                           Typography::font(12), inLines(m_code), Typography::font(18, QFont::Medium)};
    QString failure;
    if (!wendle::printCode(this, page, &failure)) {
        showMessage(this, MessageKind::warning, tr("Print recovery code"),
                    tr("Printing is not available: Wendle's print module could not be loaded (%1).").arg(failure));
    }
}

} // namespace wendle
