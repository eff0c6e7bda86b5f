// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/HeatmapView.h"

#include "history/Statistics.h"
#include "journal/Calendar.h"
#include "journal/Clock.h"
#include "journal/DateText.h"
#include "journal/DayKey.h"
#include "ui/EnglishPluralForms.h"
#include "ui/Palette.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <array>

namespace wendle {

namespace {

constexpr int kRows = 7;

/** The fill of a shade, from the lightest (0, no words) to the accent (4), made once. */
const QColor& levelColour(int level)
{
    static const std::array<QColor, 5> colours{
        QColor::fromRgbF(0.925f, 0.929f, 0.902f), QColor::fromRgbF(0.812f, 0.878f, 0.824f),
        QColor::fromRgbF(0.616f, 0.761f, 0.651f), QColor::fromRgbF(0.42f, 0.612f, 0.471f),
        QColor::fromRgbF(0.239f, 0.42f, 0.29f)};
    return colours[std::size_t(std::clamp(level, 0, 4))];
}

/** Today's start and weekday (0 for Sunday), as the heatmap's cells are reckoned from them. */
struct Today
{
    Calendar calendar = Calendar::current();
    QDateTime start;
    int weekdayIndex = 0;

    explicit Today(const Clock& clock)
        : start(calendar.startOfDay(clock.now()))
        , weekdayIndex(calendar.components(start).weekday - 1)
    {
    }
};

/** One day of the heatmap for assistive technology: its date and words, and whether the keys are on it. */
class HeatmapDayAccessible : public QAccessibleInterface
{
public:
    HeatmapDayAccessible(HeatmapView* view, int index)
        : m_view(view)
        , m_index(index)
    {
    }

    bool isValid() const override { return m_view && m_index < m_view->dayCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_view); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name && isValid() ? m_view->dayText(m_index) : QString();
    }
    void setText(QAccessible::Text, const QString&) override { }
    QRect rect() const override
    {
        if (!isValid()) {
            return {};
        }
        const QRect day = m_view->dayRect(m_index);
        return {m_view->mapToGlobal(day.topLeft()), day.size()};
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.focusable = true;
        state.focused = isValid() && m_view->hasFocus() && m_view->currentDay() == m_index;
        state.invisible = !m_view || !m_view->isVisible();
        return state;
    }

    int index() const { return m_index; }

private:
    QPointer<HeatmapView> m_view;
    int m_index;
};

/** The heatmap as a list of its days, described by its summary. */
class HeatmapAccessible : public QAccessibleWidget
{
public:
    explicit HeatmapAccessible(HeatmapView* view)
        : QAccessibleWidget(view, QAccessible::List)
    {
    }

    ~HeatmapAccessible() override
    {
        for (const QAccessible::Id id : std::as_const(m_days)) {
            QAccessible::deleteAccessibleInterface(id);
        }
    }

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Description ? view()->summary() : QAccessibleWidget::text(t);
    }
    int childCount() const override { return view()->dayCount(); }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount()) {
            return nullptr;
        }
        // Days have no object of their own: each is made once, and the cache keeps it until the heatmap goes.
        auto found = m_days.constFind(index);
        if (found == m_days.constEnd()) {
            found = m_days.insert(index,
                                  QAccessible::registerAccessibleInterface(new HeatmapDayAccessible(view(), index)));
        }
        return QAccessible::accessibleInterface(*found);
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        const auto* day = dynamic_cast<const HeatmapDayAccessible*>(child);
        return day && day->parent() == this ? day->index() : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint point = view()->mapFromGlobal(QPoint(x, y));
        for (int index = 0; index < childCount(); ++index) {
            if (view()->dayRect(index).contains(point)) {
                return child(index);
            }
        }
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override
    {
        return view()->hasFocus() ? child(view()->currentDay()) : nullptr;
    }

private:
    HeatmapView* view() const { return static_cast<HeatmapView*>(widget()); }

    mutable QHash<int, QAccessible::Id> m_days;
};

QAccessibleInterface* heatmapAccessible(const QString&, QObject* object)
{
    auto* view = qobject_cast<HeatmapView*>(object);
    return view ? new HeatmapAccessible(view) : nullptr;
}

} // namespace

HeatmapView::HeatmapView(const Clock& clock, QWidget* parent)
    : QWidget(parent)
    , m_clock(clock)
{
    [[maybe_unused]] static const bool installed = [] {
        QAccessible::installFactory(heatmapAccessible);
        return true;
    }();
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("activity over the last 26 weeks"));
}

void HeatmapView::setWordsByDay(const QHash<QString, qint64>& wordsByDay)
{
    m_wordsByDay = wordsByDay;
    update();
}

int HeatmapView::levelAt(int column, int row) const
{
    return levels()[std::size_t(column * kRows + row)];
}

std::vector<std::optional<qint64>> HeatmapView::words() const
{
    const Today today(m_clock);
    std::vector<std::optional<qint64>> words;
    words.reserve(heatmapWeeks * kRows);
    for (const std::optional<QString>& key : heatmapDayKeys(today.start, today.weekdayIndex, today.calendar)) {
        words.push_back(key ? std::optional(m_wordsByDay.value(*key, 0)) : std::nullopt);
    }
    return words;
}

std::vector<int> HeatmapView::levels() const
{
    std::vector<int> levels;
    levels.reserve(heatmapWeeks * kRows);
    for (const std::optional<qint64>& day : words()) {
        levels.push_back(day ? heatmapLevel(*day) : -1);
    }
    return levels;
}

int HeatmapView::dayCount() const
{
    // Blank cells are only the days after today, at the end of the last column.
    return (heatmapWeeks - 1) * kRows + Today(m_clock).weekdayIndex + 1;
}

QString HeatmapView::dayText(int index) const
{
    const Today today(m_clock);
    const std::optional<QDateTime> date
        = heatmapCellDate(index / kRows, index % kRows, today.start, today.weekdayIndex, today.calendar);
    if (!date) {
        return {};
    }
    const QString day = formatDate(*date, QStringLiteral("EEEEMMMMd"), today.calendar);
    const qint64 words = m_wordsByDay.value(calendarDayKey(*date, today.calendar), 0);
    if (words == 0) {
        return tr("%1: nothing written").arg(day);
    }
    //: %1 is a day, %2 the number of words written on it in the user's number format.
    return tr("%1: %2 words", nullptr, pluralCount(words)).arg(day, formatInteger(words, today.calendar));
}

QString HeatmapView::summary() const
{
    int written = 0;
    int run = 0;
    int best = 0;
    for (const std::optional<qint64>& day : words()) {
        if (!day) {
            continue;
        }
        run = *day > 0 ? run + 1 : 0;
        written += *day > 0 ? 1 : 0;
        best = std::max(best, run);
    }
    //: %1 is a number of weeks, %2 and %3 numbers of days ("3 days").
    return tr("%1 weeks, %2 written, best run %3")
        .arg(heatmapWeeks)
        .arg(tr("%n days", nullptr, written), tr("%n days", nullptr, best));
}

int HeatmapView::currentDay() const
{
    const int last = dayCount() - 1;
    return m_current < 0 ? last : std::min(m_current, last);
}

QRect HeatmapView::dayRect(int index) const
{
    return {(index / kRows) * (cellSize + gap), (index % kRows) * (cellSize + gap), cellSize, cellSize};
}

QSize HeatmapView::sizeHint() const
{
    return {heatmapWeeks * cellSize + (heatmapWeeks - 1) * gap, kRows * cellSize + (kRows - 1) * gap};
}

void HeatmapView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const std::vector<int> shades = levels();
    for (int index = 0; index < int(shades.size()); ++index) {
        const int level = shades[std::size_t(index)];
        if (level < 0) {
            continue; // a day still to come: an empty cell of the same size
        }
        painter.setBrush(levelColour(level));
        // A slightly larger radius than asked approximates the continuous corner.
        painter.drawRoundedRect(dayRect(index), cornerRadius + 0.5, cornerRadius + 0.5);
    }
    if (hasFocus()) {
        // The day in hand: an accent ring on its edge with a line of paper inside, so the ring shows on every
        // shade, and on the edge cells too, where a ring outside would be cut off.
        const QRectF day = dayRect(currentDay());
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Palette::accent(), 1.5));
        painter.drawRoundedRect(day.adjusted(0.75, 0.75, -0.75, -0.75), cornerRadius, cornerRadius);
        painter.setPen(QPen(Palette::paper(), 1));
        painter.drawRoundedRect(day.adjusted(2, 2, -2, -2), cornerRadius - 1, cornerRadius - 1);
    }
}

void HeatmapView::keyPressEvent(QKeyEvent* event)
{
    const int current = currentDay();
    switch (event->key()) {
    case Qt::Key_Left:
        moveTo(current - kRows);
        break;
    case Qt::Key_Right:
        moveTo(current + kRows);
        break;
    case Qt::Key_Up:
        moveTo(current - 1);
        break;
    case Qt::Key_Down:
        moveTo(current + 1);
        break;
    case Qt::Key_Home:
        moveTo(0);
        break;
    case Qt::Key_End:
        moveTo(dayCount() - 1);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
}

void HeatmapView::moveTo(int index)
{
    const int last = dayCount() - 1;
    if (index < 0 || index > last) {
        return;
    }
    m_current = index == last ? -1 : index;
    update();
    announceCurrentDay();
}

void HeatmapView::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
    // After the heatmap's own focus, which Qt reports once this event is handled.
    QMetaObject::invokeMethod(this, &HeatmapView::announceCurrentDay, Qt::QueuedConnection);
}

void HeatmapView::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

void HeatmapView::announceCurrentDay()
{
    if (QAccessibleInterface* heatmap = QAccessible::queryAccessibleInterface(this)) {
        if (QAccessibleInterface* day = heatmap->child(currentDay())) {
            QAccessibleEvent focus(day, QAccessible::Focus);
            QAccessible::updateAccessibility(&focus);
        }
    }
}

} // namespace wendle
