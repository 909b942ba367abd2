#pragma once

#include <QColor>

// Sizes, spacings, radii, font sizes and colours of the views, in one place. Lengths are in
// device-independent pixels; font sizes are pixel sizes.
namespace nabbit::theme {

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

}  // namespace nabbit::theme
