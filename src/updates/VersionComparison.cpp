// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/VersionComparison.h"

#include <vector>

namespace wendle {

namespace {

enum class PartKind
{
    number,
    text,
    separator
};

struct Part
{
    PartKind kind;
    QString text;
};

PartKind kindOf(QChar c)
{
    // Only ASCII digits count: other scripts' digits compared by code point would rank "１.４" above "9".
    if (c >= u'0' && c <= u'9') {
        return PartKind::number;
    }
    if (c.isPunct()) {
        return PartKind::separator;
    }
    return PartKind::text;
}

std::vector<Part> split(const QString& version)
{
    std::vector<Part> parts;
    for (const QChar c : version) {
        if (c.isSpace()) {
            continue;
        }
        const PartKind kind = kindOf(c);
        // Every separator stands alone, so "1..2" keeps both dots.
        if (parts.empty() || parts.back().kind != kind || kind == PartKind::separator) {
            parts.push_back({kind, QString(c)});
        } else {
            parts.back().text += c;
        }
    }
    // A separator at the end adds nothing: "1.5." is "1.5", not a newer release.
    while (!parts.empty() && parts.back().kind == PartKind::separator) {
        parts.pop_back();
    }
    return parts;
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

/** Digit runs compared by value without converting them, so no run is too long. */
int compareNumbers(QString a, QString b)
{
    const auto stripZeros = [](QString& digits) {
        qsizetype first = 0;
        while (first < digits.size() - 1 && digits[first] == u'0') {
            ++first;
        }
        digits.remove(0, first);
    };
    stripZeros(a);
    stripZeros(b);
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    return sign(QString::compare(a, b));
}

} // namespace

int compareVersions(const QString& a, const QString& b)
{
    const std::vector<Part> left = split(a);
    const std::vector<Part> right = split(b);
    const std::size_t common = std::min(left.size(), right.size());
    for (std::size_t i = 0; i < common; ++i) {
        const Part& x = left[i];
        const Part& y = right[i];
        if (x.kind == y.kind) {
            const int order = x.kind == PartKind::number ? compareNumbers(x.text, y.text)
                : x.kind == PartKind::text               ? sign(QString::compare(x.text, y.text))
                                                         : 0;
            if (order != 0) {
                return order;
            }
            continue;
        }
        // Text marks a pre-release, so anything else at its place is newer; a number beats a separator.
        if (x.kind == PartKind::text) {
            return -1;
        }
        if (y.kind == PartKind::text) {
            return 1;
        }
        return x.kind == PartKind::number ? 1 : -1;
    }
    if (left.size() == right.size()) {
        return 0;
    }
    // One goes on: a following text part ("1.5b3" after "1.5") is a pre-release, anything else a newer release.
    const bool leftLonger = left.size() > right.size();
    const Part& next = leftLonger ? left[common] : right[common];
    const bool longerIsNewer = next.kind != PartKind::text;
    return leftLonger == longerIsNewer ? 1 : -1;
}

} // namespace wendle
