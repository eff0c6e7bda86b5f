// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick for cold start: the smallest Qt Widgets program that paints a 680 × 560 window; with
// "--text", the same window with one line of text, which costs loading a font.
#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include <cstring>

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
    if (argc > 1 && std::strcmp(argv[1], "--text") == 0) {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(new QLabel(QStringLiteral("w e n d l e"), &window), 0, Qt::AlignCenter);
    }
    window.show();
    return app.exec();
}
