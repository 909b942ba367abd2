#include "ui/RecentCodeRow.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include "app/Assets.h"
#include "ui/Theme.h"

namespace nabbit {

namespace {

using namespace theme::recentCode;

QString serviceText(const CodeEntry& entry) {
    return QString::fromStdString(entry.otp.service.value_or("Unknown service"));
}

QFont codeFont() {
    return theme::monospaced(codeFontSize, QFont::DemiBold);
}

}  // namespace

RecentCodeRow::RecentCodeRow(const CodeEntry& entry, QWidget* parent)
    : QAbstractButton(parent), entry_(entry) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Copy code ") + QString::fromStdString(entry.otp.code));
    setAccessibleDescription(serviceText(entry));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize RecentCodeRow::sizeHint() const {
    const QFontMetrics code(codeFont());
    const QFontMetrics service(theme::font(serviceFontSize));
    return {code.horizontalAdvance(QString::fromStdString(entry_.otp.code)) + 2 * margin +
                textToSymbolGap + copySymbolSize,
            2 * margin + code.height() + spacing + service.height()};
}

void RecentCodeRow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void RecentCodeRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colors = palette();
    // The window colour, a shade deeper under the pointer and while pressed.
    QColor background = theme::windowBackground(colors);
    if (isDown()) {
        background = theme::shaded(background, colors, theme::interaction::pressShade);
    } else if (underMouse()) {
        background = theme::shaded(background, colors, theme::interaction::hoverShade);
    }
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), radius, radius);
    painter.fillPath(shape, background);
    if (hasFocus()) {
        painter.setPen(QPen(theme::accent(colors), theme::interaction::rowFocusWidth));
        painter.drawPath(shape);
    }

    const QRect inner = rect().adjusted(margin, margin, -margin, -margin);
    const int textWidth = inner.width() - copySymbolSize - textToSymbolGap;
    const QFontMetrics codeMetrics(codeFont());
    painter.setFont(codeFont());
    painter.setPen(colors.color(QPalette::WindowText));
    painter.drawText(QRect(inner.left(), inner.top(), textWidth, codeMetrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(entry_.otp.code));
    painter.setFont(theme::font(serviceFontSize));
    painter.setPen(theme::secondary(colors));
    painter.drawText(QRect(inner.left(), inner.top() + codeMetrics.height() + spacing, textWidth,
                           inner.height() - codeMetrics.height() - spacing),
                     Qt::AlignLeft | Qt::AlignTop, serviceText(entry_));

    const QRect symbol(inner.right() - copySymbolSize + 1, inner.center().y() - copySymbolSize / 2,
                       copySymbolSize, copySymbolSize);
    painter.drawPixmap(symbol, assets::tinted(QStringLiteral("symbols/doc.on.doc"), symbol.size(),
                                              theme::secondary(colors), devicePixelRatioF()));
}

}  // namespace nabbit
