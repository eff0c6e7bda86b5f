// SPDX-License-Identifier: GPL-3.0-or-later
#include "Showcase.h"

#include "DrawnText.h"

#include <QAbstractButton>
#include <QDir>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QTest>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

namespace wendle::gallery {

Showcase Showcase::saving(const QString& folder)
{
    QDir().mkpath(folder);
    return Showcase(folder);
}

Showcase Showcase::presenting()
{
    return Showcase(QString());
}

void Showcase::capture(QWidget& widget, const char* name)
{
    if (!m_wanted) {
        return;
    }
    widget.show();
    QTest::qWait(50);
    if (m_folder.isEmpty()) {
        present(widget, QString::fromLatin1(name));
    } else {
        save(widget, QString::fromLatin1(name));
    }
}

void Showcase::save(QWidget& widget, const QString& name) const
{
    const QString path = QDir(m_folder).filePath(name + QStringLiteral(".png"));
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

void Showcase::present(QWidget& widget, const QString& name)
{
    QJsonArray buttons;
    for (QAbstractButton* button : widget.findChildren<QAbstractButton*>()) {
        if (!button->isVisible()) {
            continue;
        }
        const QPoint place = button->mapToGlobal(QPoint(0, 0));
        buttons.append(QJsonObject{{QStringLiteral("label"), drawnText(*button).join(u' ')},
                                   {QStringLiteral("x"), place.x()},
                                   {QStringLiteral("y"), place.y()},
                                   {QStringLiteral("width"), button->width()},
                                   {QStringLiteral("height"), button->height()}});
    }
    const QJsonObject state{{QStringLiteral("state"), name},
                            {QStringLiteral("texts"), QJsonArray::fromStringList(drawnText(widget))},
                            {QStringLiteral("buttons"), buttons}};
    std::printf("%s\n", QJsonDocument(state).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);

    // The screen reader's questions are answered by the event loop, so it runs until the next line arrives.
    QEventLoop loop;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &loop, [this, &loop] {
        char line[64];
        if (::read(STDIN_FILENO, line, sizeof line) <= 0) {
            m_wanted = false;
        }
        loop.quit();
    });
    loop.exec();
}

} // namespace wendle::gallery
