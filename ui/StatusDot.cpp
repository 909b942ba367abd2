#include "ui/StatusDot.h"

#include <QPainter>

namespace nabbit {

StatusDot::StatusDot(int diameter, QWidget* parent) : QWidget(parent) {
    setFixedSize(diameter, diameter);
}

void StatusDot::setColor(const QColor& color) {
    color_ = color;
    update();
}

void StatusDot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color_);
    painter.drawEllipse(rect());
}

}  // namespace nabbit
