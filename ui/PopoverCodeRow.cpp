#include "ui/PopoverCodeRow.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include "app/Assets.h"
#include "ui/Theme.h"

namespace nabbit {

namespace {

QString serviceText(const CodeEntry& entry) {
    return QString::fromStdString(entry.otp.service.value_or("Unknown"));
}

}  // namespace

PopoverCodeRow::PopoverCodeRow(const CodeEntry& entry, QWidget* parent)
    : QAbstractButton(parent), entry_(entry) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Copy code ") + QString::fromStdString(entry.otp.code));
    setAccessibleDescription(serviceText(entry));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize PopoverCodeRow::sizeHint() const {
    using namespace theme::popover;
    const QFontMetrics code(theme::monospaced(codeFontSize, QFont::DemiBold));
    const QFontMetrics service(theme::font(serviceFontSize));
    return {theme::popover::width - 2 * bodyMargin,
            2 * rowMargin + code.height() + codeSpacing + service.height()};
}

void PopoverCodeRow::paintEvent(QPaintEvent*) {
    using namespace theme::popover;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A touch more solid under the pointer, and darker while pressed.
    QColor background = theme::controlBackground(palette());
    background.setAlphaF(underMouse() || isDown() ? 1.0F : rowOpacity);
    if (isDown()) {
        background = background.darker(110);
    }
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), rowRadius, rowRadius);
    painter.fillPath(shape, background);
    if (hasFocus()) {
        painter.setPen(QPen(theme::accent(palette()), 1.5));
        painter.drawPath(shape);
    }

    const QRect inner = rect().adjusted(rowMargin, rowMargin, -rowMargin, -rowMargin);
    const QFont codeFont = theme::monospaced(codeFontSize, QFont::DemiBold);
    const QFontMetrics codeMetrics(codeFont);
    painter.setFont(codeFont);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(inner.left(), inner.top(), inner.width() - 20, codeMetrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(entry_.otp.code));
    painter.setFont(theme::font(serviceFontSize));
    painter.setPen(theme::secondary(palette()));
    painter.drawText(QRect(inner.left(), inner.top() + codeMetrics.height() + codeSpacing,
                           inner.width() - 20, inner.height()),
                     Qt::AlignLeft | Qt::AlignTop, serviceText(entry_));

    const QIcon copy = assets::symbol(QStringLiteral("doc.on.doc"), theme::secondary(palette()));
    const QRect symbol(inner.right() - copySymbolSize + 1, inner.center().y() - copySymbolSize / 2,
                       copySymbolSize, copySymbolSize);
    copy.paint(&painter, symbol);
}

}  // namespace nabbit
