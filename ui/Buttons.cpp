#include "ui/Buttons.h"

#include <QPalette>
#include <QPushButton>

#include "app/Assets.h"
#include "ui/Theme.h"

namespace nabbit::buttons {

namespace {

constexpr const char* kindProperty = "nabbitButtonKind";
constexpr const char* symbolProperty = "nabbitButtonSymbol";

struct Colors {
    QColor text, background, border, hover, pressed, focus;
};

Colors colorsFor(Kind kind, const QPalette& palette) {
    using namespace theme::interaction;
    const QColor accent = theme::accent(palette);
    const QColor button = palette.color(QPalette::Button);
    const QColor focus = theme::faded(accent, focusRingOpacity);
    switch (kind) {
        case Kind::prominent:
            return {Qt::white,
                    accent,
                    accent,
                    theme::shaded(accent, palette, hoverShade),
                    theme::shaded(accent, palette, pressShade),
                    accent.lighter(theme::button::prominentFocusLighter)};
        case Kind::plain:
            return {accent,
                    Qt::transparent,
                    Qt::transparent,
                    theme::faded(accent, theme::button::plainHoverOpacity),
                    theme::faded(accent, theme::button::plainPressOpacity),
                    focus};
        case Kind::destructive:
        case Kind::bordered:
            break;
    }
    const QColor text =
        kind == Kind::destructive ? theme::red(palette) : palette.color(QPalette::ButtonText);
    return {text,
            button,
            palette.color(QPalette::Mid),
            theme::shaded(button, palette, hoverShade),
            theme::shaded(button, palette, pressShade),
            focus};
}

// The look of one button, built from the palette in force.
QString styleSheet(Kind kind, const QPalette& palette) {
    using namespace theme::button;
    const Colors c = colorsFor(kind, palette);
    const int padding = kind == Kind::plain ? plainPadding : horizontalPadding;
    const auto rgba = [](const QColor& color) { return color.name(QColor::HexArgb); };
    return QStringLiteral(
               "QPushButton { color: %1; background-color: %2; border: %7px solid %3;"
               " border-radius: %8px; padding: 0px %9px; }"
               "QPushButton:hover { background-color: %4; }"
               "QPushButton:pressed { background-color: %5; }"
               "QPushButton:focus { border: %10px solid %6; padding: 0px %11px; }"
               "QPushButton:disabled { color: %12; }")
        .arg(rgba(c.text), rgba(c.background), rgba(c.border), rgba(c.hover), rgba(c.pressed),
             rgba(c.focus))
        .arg(borderWidth)
        .arg(radius)
        .arg(padding)
        .arg(focusWidth)
        .arg(padding - (focusWidth - borderWidth))
        .arg(rgba(theme::faded(c.text, theme::interaction::disabledOpacity)));
}

void apply(QPushButton* button, const QPalette& palette) {
    const auto kind = static_cast<Kind>(button->property(kindProperty).toInt());
    button->setStyleSheet(styleSheet(kind, palette));
    const QString symbol = button->property(symbolProperty).toString();
    if (!symbol.isEmpty()) {
        button->setIcon(assets::symbol(symbol, colorsFor(kind, palette).text));
    }
}

}  // namespace

QPushButton* make(const QString& text, Kind kind, Size size, QWidget* parent,
                  const QString& symbol) {
    using namespace theme::button;
    auto* button = new QPushButton(text, parent);
    button->setProperty(kindProperty, static_cast<int>(kind));
    button->setProperty(symbolProperty, symbol);
    button->setAccessibleName(text);
    button->setFocusPolicy(Qt::StrongFocus);
    // Enter presses the focused button, as Space does.
    button->setAutoDefault(true);
    button->setCursor(Qt::PointingHandCursor);
    const int fontSize = size == Size::small     ? smallFontSize
                         : size == Size::regular ? regularFontSize
                                                 : largeFontSize;
    const int height = size == Size::small     ? smallHeight
                       : size == Size::regular ? regularHeight
                                               : largeHeight;
    button->setFont(
        theme::font(fontSize, kind == Kind::prominent ? QFont::DemiBold : QFont::Normal));
    button->setFixedHeight(height);
    const int symbolSize = size == Size::small ? smallSymbolSize : theme::button::symbolSize;
    button->setIconSize(QSize(symbolSize, symbolSize));
    apply(button, button->palette());
    return button;
}

void restyle(QWidget* root) {
    // The root's palette: a palette change reaches the root before its children.
    for (QPushButton* button : root->findChildren<QPushButton*>()) {
        if (button->property(kindProperty).isValid()) {
            apply(button, root->palette());
        }
    }
}

}  // namespace nabbit::buttons
