// SPDX-License-Identifier: GPL-3.0-or-later
#include "lock/LockView.h"

#include "journal/Calendar.h"
#include "journal/DateText.h"
#include "ui/LiveLabel.h"
#include "ui/Palette.h"
#include "ui/PlainButton.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QCoreApplication>
#include <QEasingCurve>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSequentialAnimationGroup>
#include <QSvgRenderer>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariantAnimation>

// Resources compiled into a static library must be registered by name before first use.
static void initialiseResources()
{
    Q_INIT_RESOURCE(wendle);
}

namespace wendle {

namespace {

constexpr int kFrame = 64;
constexpr int kSymbol = 26;
constexpr qreal kBreathScale = 0.18;

QEasingCurve easeInOut()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0), QPointF(0.58, 1), QPointF(1, 1));
    return curve;
}

/** What the keyring answered, in a few plain words for the details line. */
QString keyringAnswer(KeychainStatus status)
{
    switch (status) {
    case KeychainStatus::Success:
        return QCoreApplication::translate("wendle::LockView", "the keyring gave the item without its contents");
    case KeychainStatus::NotFound:
        return QCoreApplication::translate("wendle::LockView", "the keyring has no such item");
    case KeychainStatus::Locked:
        return QCoreApplication::translate("wendle::LockView", "the keyring stayed locked");
    case KeychainStatus::Cancelled:
        return QCoreApplication::translate("wendle::LockView", "unlocking the keyring was cancelled");
    case KeychainStatus::Unavailable:
        return QCoreApplication::translate("wendle::LockView", "no keyring is running");
    case KeychainStatus::Malformed:
        return QCoreApplication::translate("wendle::LockView", "the item holds another key");
    case KeychainStatus::Duplicate:
        return QCoreApplication::translate("wendle::LockView", "an item of that name is in the way");
    case KeychainStatus::Failed:
        break;
    }
    return QCoreApplication::translate("wendle::LockView", "the keyring failed");
}

template <typename Label> Label* centred(Label* label)
{
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

UnlockButton::UnlockButton(QWidget* parent)
    : QuietButton(QString(), 12, parent)
    , m_breathing(new QSequentialAnimationGroup(this))
{
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("unlock"));
    // 1.6 s out, 1.6 s back, for as long as the screen is shown.
    for (const auto& [from, to] : {std::pair{0.0, 1.0}, std::pair{1.0, 0.0}}) {
        auto* half = new QVariantAnimation(m_breathing);
        half->setStartValue(from);
        half->setEndValue(to);
        half->setDuration(1600);
        half->setEasingCurve(easeInOut());
        connect(half, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
            m_breath = value.toReal();
            update();
        });
        m_breathing->addAnimation(half);
    }
    m_breathing->setLoopCount(-1);
}

QSize UnlockButton::sizeHint() const
{
    // Room for the ring at its widest.
    const int side = static_cast<int>(kFrame * (1 + kBreathScale)) + 4;
    return {side, side};
}

void UnlockButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(rect()).center();

    // The symbol: our own SVG drawn as a mask in the accent colour.
    static QSvgRenderer symbol = [] {
        initialiseResources();
        return QSvgRenderer(QStringLiteral(":/icons/touchid.svg"));
    }();
    const qreal ratio = devicePixelRatioF();
    QImage mask(QSize(kSymbol, kSymbol) * ratio, QImage::Format_ARGB32_Premultiplied);
    mask.setDevicePixelRatio(ratio);
    mask.fill(Qt::transparent);
    {
        QPainter maskPainter(&mask);
        symbol.render(&maskPainter, QRectF(0, 0, kSymbol, kSymbol));
        maskPainter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        maskPainter.fillRect(QRectF(0, 0, kSymbol, kSymbol), isDown() ? Palette::ink() : Palette::accent());
    }
    painter.drawImage(QPointF(centre.x() - kSymbol / 2.0, centre.y() - kSymbol / 2.0), mask);

    // The ring swells and fades, anchored at its centre.
    const qreal radius = (kFrame / 2.0 - 0.5) * (1 + kBreathScale * m_breath);
    QColor ring = Palette::hairline();
    ring.setAlphaF(static_cast<float>(0.8 * (1 - m_breath)));
    painter.setPen(QPen(ring, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, radius, radius);

    if (showsFocusMark()) {
        painter.setPen(QPen(Palette::accentWash(), 1.5));
        painter.drawEllipse(centre, kFrame / 2.0 + 3, kFrame / 2.0 + 3);
    }
}

void UnlockButton::showEvent(QShowEvent* event)
{
    QuietButton::showEvent(event);
    m_breath = 0;
    m_breathing->start();
}

void UnlockButton::hideEvent(QHideEvent* event)
{
    QuietButton::hideEvent(event);
    m_breathing->stop();
}

LockView::LockView(QWidget* parent)
    : QWidget(parent)
    , m_date(centred(textLabel(QString(), 12, Palette::muted(), this)))
    , m_status(centred(new LiveLabel(13, Palette::muted(), this)))
    , m_problem(centred(new LiveLabel(12, Palette::muted(), this)))
    , m_details(centred(textLabel(QString(), 11, Palette::faint(), this)))
    , m_recovery(new QWidget(this))
    , m_dateTimer(new QTimer(this))
{
    setMinimumSize(680, 560);
    Palette::usePaperBackground(this);

    QFont titleFont = Typography::font(15);
    titleFont.setLetterSpacing(QFont::AbsoluteSpacing, 4);
    auto* title = centred(textLabel(tr("w e n d l e"), 15, Palette::ink(), this));
    title->setFont(titleFont);
    auto* button = new UnlockButton(this);
    connect(button, &QAbstractButton::clicked, this, &LockView::unlockRequested);

    // Items 10 apart; the button has 46 more above it and 10 more below. Its ring swells into a margin of
    // its own, which is taken out of those gaps.
    const int ringMargin = (button->sizeHint().height() - kFrame) / 2;
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->addStretch(1);
    layout->addWidget(title);
    layout->addSpacing(10);
    layout->addWidget(m_date);
    layout->addSpacing(10 + 46 - ringMargin);
    layout->addWidget(button, 0, Qt::AlignHCenter);
    layout->addSpacing(10 + 10 - ringMargin);
    layout->addWidget(m_status);
    layout->addSpacing(8);
    layout->addWidget(m_problem);
    layout->addSpacing(4);
    layout->addWidget(m_details);
    layout->addSpacing(14);
    layout->addWidget(m_recovery, 0, Qt::AlignHCenter);
    layout->addStretch(1);

    m_problem->setWordWrap(true);
    m_details->setWordWrap(true);
    m_details->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* restore = new PlainButton(tr("Restore from recovery code…"), 12, Palette::accent(), m_recovery);
    auto* newKey = new PlainButton(tr("Continue with a new key…"), 12, Palette::muted(), m_recovery);
    connect(restore, &QAbstractButton::clicked, this, &LockView::restoreRequested);
    connect(newKey, &QAbstractButton::clicked, this, &LockView::newKeyRequested);
    auto* row = new QHBoxLayout(m_recovery);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(28);
    row->addWidget(restore);
    row->addWidget(newKey);
    setKeyProblem(KeyProblem::none, KeychainStatus::Success);

    setFailed(false);
    // The date follows the calendar day even when the screen stays up past midnight.
    m_dateTimer->setInterval(30'000);
    connect(m_dateTimer, &QTimer::timeout, this, &LockView::refreshDate);
    m_dateTimer->start();
}

void LockView::setFailed(bool failed)
{
    // A screen reader reads the line itself, and hears it change.
    m_status->announce(failed ? tr("Couldn't verify — try again") : tr("Unlock with password"));
}

QString LockView::problemSentence(KeyProblem problem)
{
    switch (problem) {
    case KeyProblem::none:
        break;
    case KeyProblem::keyringUnavailable:
        return tr("Your keyring is locked or not running — unlock it and try again");
    case KeyProblem::keyMissing:
        return tr("Your journal's key is missing from the keyring — restore it from your recovery code");
    case KeyProblem::keyMismatch:
        return tr("This key does not belong to this journal — restore yours from your recovery code");
    case KeyProblem::journalUnwritable:
        return tr("The journal could not be written — check the disk and try again");
    }
    return QString();
}

void LockView::setKeyProblem(KeyProblem problem, KeychainStatus status)
{
    const QString text = problemSentence(problem);
    m_problem->announce(text);
    m_problem->setVisible(!text.isEmpty());
    const QString details = tr("Keyring item: service %1, account %2 — %3")
                                .arg(entryKeyItem.service, entryKeyItem.account, keyringAnswer(status));
    // The journal's own trouble has nothing to do with the keyring item.
    const bool keyring = !text.isEmpty() && problem != KeyProblem::journalUnwritable;
    m_details->setText(keyring ? details : QString());
    m_details->setVisible(keyring);
    m_recovery->setVisible(problem == KeyProblem::keyMissing || problem == KeyProblem::keyMismatch);
}

QString LockView::keyProblemText() const
{
    return m_problem->text();
}

void LockView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refreshDate();
}

void LockView::refreshDate()
{
    m_date->setText(dateLine(QDateTime::currentDateTimeUtc()));
}

QString LockView::dateLine(const QDateTime& moment)
{
    return formatDate(moment, QStringLiteral("EEEEMMMMd"), Calendar::current());
}

} // namespace wendle
