// nabbit-render-icon SVG SIZE PNG: renders the SVG into a SIZE×SIZE PNG with Qt's SVG
// renderer, the one the program draws its images with, so that the icon theme's PNG copies
// match what Nabbit shows and are never kept by hand.
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: nabbit-render-icon SVG SIZE PNG\n";
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    bool isNumber = false;
    const int size = QString::fromLocal8Bit(argv[2]).toInt(&isNumber);
    if (!isNumber || size < 1 || size > 4096) {
        std::cerr << "nabbit-render-icon: bad size " << argv[2] << "\n";
        return 2;
    }
    QSvgRenderer renderer(source);
    if (!renderer.isValid()) {
        std::cerr << "nabbit-render-icon: cannot read " << argv[1] << "\n";
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, size, size));
    }
    if (!image.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::cerr << "nabbit-render-icon: cannot write " << argv[3] << "\n";
        return 1;
    }
    return 0;
}
