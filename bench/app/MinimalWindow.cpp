// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick for cold start: the smallest Qt Widgets program that paints a 680 × 560 window; with
// "--lock-text", the same window with the lock screen's three lines of text in its font and sizes and nothing else,
// which is what drawing that text costs any program.
#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include <cstring>
#include <utility>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal"));
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor::fromRgbF(0.98f, 0.98f, 0.973f));
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    window.resize(680, 560);
    if (argc > 1 && std::strcmp(argv[1], "--lock-text") == 0) {
        auto* layout = new QVBoxLayout(&window);
        layout->addStretch(1);
        for (const auto& [text, size] : {std::pair{"w e n d l e", 15}, std::pair{"Tuesday, December 8", 12},
                                         std::pair{"Unlock with password", 13}}) {
            auto* label = new QLabel(QString::fromLatin1(text), &window);
            QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
            font.setPixelSize(size);
            label->setFont(font);
            layout->addWidget(label, 0, Qt::AlignCenter);
        }
        layout->addStretch(1);
    }
    window.show();
    return app.exec();
}
