#include "app/Assets.h"

#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>

namespace nabbit::assets {

namespace {

QString sourceOf(const QString& name) {
    return QStringLiteral(":/images/") + name + QStringLiteral(".svg");
}

// Renders the SVG afresh for every size, so small tray sizes stay crisp.
class SvgIconEngine final : public QIconEngine {
  public:
    explicit SvgIconEngine(QString name) : name_(std::move(name)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        QSvgRenderer renderer(sourceOf(name_));
        renderer.render(painter, rect);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override {
        return assets::pixmap(name_, size);
    }
    QIconEngine* clone() const override { return new SvgIconEngine(name_); }
    QString key() const override { return QStringLiteral("nabbit-svg"); }

  private:
    QString name_;
};

}  // namespace

QPixmap pixmap(const QString& name, QSize size, qreal devicePixelRatio) {
    QSvgRenderer renderer(sourceOf(name));
    if (!renderer.isValid() || size.isEmpty()) {
        return {};
    }
    QPixmap image(size * devicePixelRatio);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

QPixmap tinted(const QString& name, QSize size, const QColor& color, qreal devicePixelRatio) {
    QPixmap image = pixmap(name, size, devicePixelRatio);
    if (image.isNull()) {
        return image;
    }
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(QPointF(0, 0), QSizeF(size)), color);
    return image;
}

QIcon symbol(const QString& name, const QColor& color) {
    QIcon icon;
    for (const int size : {12, 16, 18, 24, 32, 36, 48}) {
        for (const qreal ratio : {1.0, 2.0}) {
            icon.addPixmap(
                tinted(QStringLiteral("symbols/") + name, QSize(size, size), color, ratio));
        }
    }
    return icon;
}

QIcon icon(const QString& name) {
    // QIcon owns its engine.
    return QIcon(new SvgIconEngine(name));
}

}  // namespace nabbit::assets
