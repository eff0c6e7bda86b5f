// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/WritingSettings.h"

#include "journal/Spelling.h"
#include "journal/TextSize.h"
#include "ui/Palette.h"
#include "ui/PlainButton.h"
#include "ui/SwitchToggle.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace wendle {

namespace {
constexpr int kTextSize = 13;
} // namespace

WritingSettings::WritingSettings(QWidget* parent)
    : QWidget(parent)
    , m_smaller(new PlainButton(QStringLiteral("−"), kTextSize, Palette::ink(), this))
    , m_value(textLabel(QString(), kTextSize, Palette::ink(), this))
    , m_larger(new PlainButton(QStringLiteral("+"), kTextSize, Palette::ink(), this))
{
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    row->addWidget(textLabel(tr("Text size"), kTextSize, Palette::ink(), this));
    row->addStretch(1);
    row->addWidget(m_smaller);
    row->addWidget(m_value);
    row->addWidget(m_larger);
    stack->addLayout(row);
    addSpelling(stack);

    m_smaller->setAccessibleName(tr("Text size: smaller"));
    m_larger->setAccessibleName(tr("Text size: larger"));
    TextSize& size = TextSize::shared();
    connect(m_smaller, &QAbstractButton::clicked, &size, &TextSize::shrink);
    connect(m_larger, &QAbstractButton::clicked, &size, &TextSize::enlarge);
    connect(&size, &TextSize::changed, this, &WritingSettings::showTextSize);
    showTextSize();
}

void WritingSettings::addSpelling(QBoxLayout* stack)
{
    Spelling& spelling = Spelling::shared();
    const QStringList languages = spelling.languages();
    m_spellingToggle = new SwitchToggle(tr("Check spelling while typing"), kTextSize, this);
    m_spellingToggle->setChecked(spelling.enabled());
    connect(m_spellingToggle, &QAbstractButton::toggled, &spelling, &Spelling::setEnabled);
    stack->addWidget(m_spellingToggle);
    if (languages.isEmpty()) {
        m_spellingToggle->setEnabled(false);
        QLabel* none = textLabel(tr("No spelling dictionaries are installed"), kTextSize, Palette::muted(), this);
        none->setWordWrap(true);
        stack->addWidget(none);
        return;
    }
    m_language = new QComboBox(this);
    m_language->setFont(Typography::font(kTextSize));
    m_language->setAccessibleName(tr("Spelling"));
    // Shown while no installed dictionary matches the user's language: nothing is checked until one is chosen.
    m_language->setPlaceholderText(tr("None for your language"));
    for (const QString& language : languages) {
        m_language->addItem(Spelling::displayName(language), language);
    }
    m_language->setCurrentIndex(static_cast<int>(languages.indexOf(spelling.language())));
    m_language->setEnabled(spelling.enabled());
    connect(m_language, &QComboBox::activated, this,
            [this](int index) { Spelling::shared().setLanguage(m_language->itemData(index).toString()); });
    connect(m_spellingToggle, &QAbstractButton::toggled, m_language, &QWidget::setEnabled);
    auto* row = new QHBoxLayout;
    row->addWidget(textLabel(tr("Spelling"), kTextSize, Palette::ink(), this));
    row->addStretch(1);
    row->addWidget(m_language);
    stack->addLayout(row);
}

void WritingSettings::showTextSize()
{
    const TextSize& size = TextSize::shared();
    m_value->setText(tr("%1 pt").arg(size.points()));
    m_value->setAccessibleName(tr("Text size %1 pt").arg(size.points()));
    m_smaller->setEnabled(size.points() > TextSize::smallest);
    m_larger->setEnabled(size.points() < TextSize::largest);
}

} // namespace wendle
