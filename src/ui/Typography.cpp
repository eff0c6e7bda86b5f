// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Typography.h"

#include <QFontDatabase>
#include <QFontInfo>

namespace wendle::Typography {

namespace {

QFont baseFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // Without a configured monospace the system may answer with a proportional face.
    if (!QFontInfo(font).fixedPitch()) {
        font = QFont(QStringLiteral("DejaVu Sans Mono"));
        font.setStyleHint(QFont::Monospace);
    }
    font.setKerning(true);
    return font;
}

} // namespace

QFont font(int size, QFont::Weight weight)
{
    static const QFont base = baseFont();
    QFont font = base;
    font.setPixelSize(size);
    font.setWeight(weight);
    return font;
}

} // namespace wendle::Typography
