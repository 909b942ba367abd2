#pragma once

#include <QPalette>

namespace nabbit::theme {

// The colours Nabbit uses when the desktop says it prefers a light or a dark appearance but
// Qt's own platform integration does not follow it. Secondary text is the placeholder-text
// role, so that labels set to it follow a change of palette.
QPalette lightPalette();
QPalette darkPalette();

}  // namespace nabbit::theme
