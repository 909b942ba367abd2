#include "ui/OverlayView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "app/Assets.h"
#include "ui/Theme.h"

namespace nabbit {

namespace {

QLabel* textLine(const QString& text, int pixelSize, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Normal);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, theme::overlay::foreground);
    label->setPalette(palette);
    return label;
}

}  // namespace

OverlayView::OverlayView(const QString& line1, const std::optional<QString>& line2, QWidget* parent)
    : QWidget(parent) {
    using namespace theme::overlay;
    setAttribute(Qt::WA_TranslucentBackground);

    auto* row = new QHBoxLayout(this);
    const int inset = outerPadding + innerPadding;
    row->setContentsMargins(inset, inset, inset, inset);
    row->setSpacing(spacing);

    auto* icon = new QLabel(this);
    icon->setPixmap(assets::tinted(QStringLiteral("MessageBubble"), QSize(iconSize, iconSize),
                                   foreground, devicePixelRatioF()));
    icon->setFixedSize(iconSize, iconSize);
    row->addWidget(icon, 0, Qt::AlignVCenter);

    auto* lines = new QVBoxLayout;
    lines->setSpacing(0);
    lines->addWidget(textLine(line1, line1FontSize, this));
    if (line2) {
        lines->addWidget(textLine(*line2, line2FontSize, this));
    }
    row->addLayout(lines);
    row->setAlignment(lines, Qt::AlignVCenter);
    row->setSizeConstraint(QLayout::SetFixedSize);
}

void OverlayView::paintEvent(QPaintEvent*) {
    using namespace theme::overlay;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath bubblePath;
    bubblePath.addRoundedRect(
        QRectF(rect()).adjusted(outerPadding, outerPadding, -outerPadding, -outerPadding),
        innerRadius, innerRadius);
    painter.fillPath(bubblePath, bubble);
}

}  // namespace nabbit
