#include "ui/Divider.h"

#include <QPainter>

#include "ui/Theme.h"

namespace nabbit {

Divider::Divider(QWidget* parent) : QWidget(parent) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Divider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), theme::divider(palette()));
}

}  // namespace nabbit
