// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick for cold start: the smallest Qt Widgets program that paints a 680 × 560 window.
#include <QApplication>
#include <QWidget>

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
    window.show();
    return app.exec();
}
