#include "ui/LogoView.h"

#include <QPainter>

#include "app/Assets.h"

namespace nabbit {

LogoView::LogoView(int size, QWidget* parent) : QWidget(parent) {
    setFixedSize(size, size);
    setAccessibleName(QStringLiteral("Nabbit"));
}

void LogoView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(rect(), assets::pixmap(QStringLiteral("logo"), size(), devicePixelRatioF()));
}

}  // namespace nabbit
