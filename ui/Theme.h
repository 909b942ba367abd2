#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

// Sizes, spacings, radii, font sizes and colours of the views, in one place. Lengths are in
// device-independent pixels; font sizes are pixel sizes. Colours that follow the desktop's
// light or dark theme are taken from the palette.
namespace nabbit::theme {

// Whether a palette is a dark one (light text on a dark window).
inline bool isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightnessF() < 0.5;
}

// Text of lesser importance. Labels take it through the placeholder-text role, so that they
// follow a change of palette.
inline constexpr QPalette::ColorRole secondaryRole = QPalette::PlaceholderText;
inline QColor secondary(const QPalette& palette) {
    return palette.color(secondaryRole);
}

// The background of controls and cards, set off from the window background.
inline QColor controlBackground(const QPalette& palette) {
    return palette.color(QPalette::Base);
}

inline QColor windowBackground(const QPalette& palette) {
    return palette.color(QPalette::Window);
}

inline QColor green(const QPalette& palette) {
    return isDark(palette) ? QColor(0x30, 0xD1, 0x58) : QColor(0x28, 0xA7, 0x45);
}

inline QColor orange(const QPalette& palette) {
    return isDark(palette) ? QColor(0xFF, 0x9F, 0x0A) : QColor(0xE8, 0x86, 0x00);
}

inline QColor accent(const QPalette& palette) {
    return palette.color(QPalette::Link);
}

// A font of the application's family at a pixel size and weight.
inline QFont font(int pixelSize, QFont::Weight weight = QFont::Normal) {
    QFont result;
    result.setPixelSize(pixelSize);
    result.setWeight(weight);
    return result;
}

inline QFont monospaced(int pixelSize, QFont::Weight weight = QFont::Normal) {
    QFont result(QStringLiteral("monospace"));
    result.setStyleHint(QFont::Monospace);
    result.setPixelSize(pixelSize);
    result.setWeight(weight);
    return result;
}

// Overlay: a blue bubble inside a transparent margin.
namespace overlay {
inline constexpr int outerPadding = 8;
inline constexpr int innerPadding = 8;
inline constexpr int innerRadius = 12;
inline constexpr int iconSize = 36;
inline constexpr int spacing = 8;
inline constexpr int line1FontSize = 18;
inline constexpr int line2FontSize = 13;
inline const QColor bubble = QColor::fromRgbF(0.0F, 0.48F, 1.0F);
inline const QColor foreground = Qt::white;
}  // namespace overlay

// The panel under the tray icon.
namespace popover {
inline constexpr int width = 360;
inline constexpr int horizontalMargin = 16;
inline constexpr int headerTop = 14;
inline constexpr int headerBottom = 12;
inline constexpr int headerSpacing = 2;
inline constexpr int titleFontSize = 15;
inline constexpr int statusFontSize = 11;
inline constexpr int dotSize = 6;
inline constexpr int dotSpacing = 5;
inline constexpr int bodyMargin = 16;
inline constexpr int bodySpacing = 14;
inline constexpr int groupSpacing = 8;
inline constexpr int captionFontSize = 10;
inline constexpr int rowSpacing = 6;
inline constexpr int emptyFontSize = 12;
inline constexpr int emptyExtra = 4;
inline constexpr int footerVertical = 10;
inline constexpr int footerSpacing = 12;
inline constexpr int footerFontSize = 12;
inline constexpr int codeFontSize = 14;
inline constexpr int serviceFontSize = 11;
inline constexpr int codeSpacing = 1;
inline constexpr int rowMargin = 8;
inline constexpr int rowRadius = 6;
inline constexpr float rowOpacity = 0.6F;
inline constexpr int copySymbolSize = 11;
inline constexpr int buttonSymbolSize = 14;
}  // namespace popover

}  // namespace nabbit::theme
