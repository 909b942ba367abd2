#include "ui/ToggleSwitch.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include "ui/Theme.h"

namespace nabbit {

namespace {

using namespace theme::toggle;

QRectF trackRect() {
    return {static_cast<qreal>(focusMargin), static_cast<qreal>(focusMargin),
            static_cast<qreal>(trackWidth), static_cast<qreal>(trackHeight)};
}

}  // namespace

ToggleSwitch::ToggleSwitch(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ToggleSwitch::sizeHint() const {
    return {trackWidth + 2 * focusMargin, trackHeight + 2 * focusMargin};
}

bool ToggleSwitch::hitButton(const QPoint& position) const {
    return rect().contains(position);
}

void ToggleSwitch::keyPressEvent(QKeyEvent* event) {
    // Space is handled by the button itself (press, then release); Enter flips at once.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colors = palette();
    const QRectF track = trackRect();
    const qreal radius = track.height() / 2;

    QColor fill = isChecked() ? theme::accent(colors) : colors.color(QPalette::Mid);
    if (isDown()) {
        fill = theme::shaded(fill, colors, theme::interaction::pressShade);
    }
    if (!isEnabled()) {
        fill = theme::faded(fill, theme::interaction::disabledOpacity);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, radius, radius);

    const qreal knob = track.height() - 2 * knobInset;
    const qreal x = isChecked() ? track.right() - knobInset - knob : track.left() + knobInset;
    const QRectF knobRect(x, track.top() + knobInset, knob, knob);
    painter.setPen(QPen(knobRim, knobRimWidth));
    painter.setBrush(Qt::white);
    painter.drawEllipse(knobRect);

    if (hasFocus()) {
        const qreal outset = focusWidth / 2.0 + 0.5;
        painter.setPen(QPen(
            theme::faded(theme::accent(colors), theme::interaction::focusRingOpacity), focusWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-outset, -outset, outset, outset), radius + outset,
                                radius + outset);
    }
}

}  // namespace nabbit
