#include "app/PopoverWindow.h"

#include <algorithm>

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace nabbit {

namespace {

QPainterPath roundedShape(const QRect& rect) {
    QPainterPath path;
    path.addRoundedRect(QRectF(rect), PopoverWindow::cornerRadius, PopoverWindow::cornerRadius);
    return path;
}

}  // namespace

PopoverWindow::PopoverWindow(QWidget* content)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("Nabbit"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
}

QRect PopoverWindow::frameFor(QSize fitting, const QRect& anchor, const QRect& available) {
    const int width = std::max(fitting.width(), minimumWidth);
    const int height = std::max(fitting.height(), minimumHeight);
    int x = anchor.center().x() - width / 2;
    int y = anchor.bottom() + 1;
    if (y + height > available.bottom() + 1 && anchor.top() - height >= available.top()) {
        y = anchor.top() - height;
    }
    x = std::clamp(x, available.left(), std::max(available.left(), available.right() + 1 - width));
    y = std::clamp(y, available.top(), std::max(available.top(), available.bottom() + 1 - height));
    return {x, y, width, height};
}

void PopoverWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow()) {
        emit resignedKey();
    }
}

void PopoverWindow::paintEvent(QPaintEvent*) {
    // Opaque, without antialiasing at the edge: the window's shape is the mask, which holds with
    // or without a compositing manager, and leaves no half-transparent fringe to show dark.
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.drawPolygon(shape_);
}

void PopoverWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    shape_ = roundedShape(rect()).toFillPolygon().toPolygon();
    setMask(QRegion(shape_));
    // The outline runs one pixel inside the shape's edge.
    shape_ = roundedShape(rect().adjusted(0, 0, -1, -1)).toFillPolygon().toPolygon();
}

}  // namespace nabbit
