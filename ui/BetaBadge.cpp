#include "ui/BetaBadge.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include "ui/Theme.h"

namespace nabbit {

namespace {

using namespace theme::betaBadge;

QFont badgeFont() {
    return theme::spaced(fontSize, QFont::Bold, letterSpacing);
}

}  // namespace

BetaBadge::BetaBadge(const QString& text, QWidget* parent)
    : QWidget(parent), text_(text.toUpper()) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text);
}

QSize BetaBadge::sizeHint() const {
    const QFontMetrics metrics(badgeFont());
    return {metrics.horizontalAdvance(text_) + 2 * horizontalPadding,
            metrics.height() + 2 * verticalPadding};
}

void BetaBadge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor orange = theme::orange(palette());
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), radius, radius);
    painter.fillPath(shape, theme::faded(orange, fillOpacity));
    painter.setFont(badgeFont());
    painter.setPen(orange);
    painter.drawText(rect(), Qt::AlignCenter, text_);
}

}  // namespace nabbit
