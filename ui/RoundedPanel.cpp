#include "ui/RoundedPanel.h"

#include <QPainter>
#include <QPainterPath>

namespace nabbit {

RoundedPanel::RoundedPanel(QPalette::ColorRole role, int radius, QWidget* parent)
    : QWidget(parent), role_(role), radius_(radius) {}

void RoundedPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), radius_, radius_);
    painter.fillPath(shape, palette().color(role_));
}

}  // namespace nabbit
