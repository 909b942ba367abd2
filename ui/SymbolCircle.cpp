#include "ui/SymbolCircle.h"

#include <QPainter>

#include "app/Assets.h"
#include "ui/Theme.h"

namespace nabbit {

SymbolCircle::SymbolCircle(int diameter, int symbolSize, float fillOpacity, QWidget* parent)
    : QWidget(parent), symbolSize_(symbolSize), fillOpacity_(fillOpacity) {
    setFixedSize(diameter, diameter);
}

void SymbolCircle::setSymbol(const QString& name, const QColor& color) {
    if (name == symbol_ && color == color_) {
        return;
    }
    symbol_ = name;
    color_ = color;
    update();
}

void SymbolCircle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(theme::faded(color_, fillOpacity_));
    painter.drawEllipse(rect());
    if (symbol_.isEmpty()) {
        return;
    }
    const QRect area((width() - symbolSize_) / 2, (height() - symbolSize_) / 2, symbolSize_,
                     symbolSize_);
    painter.drawPixmap(area, assets::tinted(QStringLiteral("symbols/") + symbol_, area.size(),
                                            color_, devicePixelRatioF()));
}

}  // namespace nabbit
