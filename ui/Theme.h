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

// Destructive actions ("Quit Nabbit").
inline QColor red(const QPalette& palette) {
    return isDark(palette) ? QColor(0xFF, 0x45, 0x3A) : QColor(0xD7, 0x00, 0x15);
}

// Something not granted yet: neither good nor bad.
inline QColor grey(const QPalette& palette) {
    return isDark(palette) ? QColor(0x98, 0x98, 0x9D) : QColor(0x8E, 0x8E, 0x93);
}

// A colour at a fraction of its opacity (a tint behind a symbol, a faded caption).
inline QColor faded(QColor color, float opacity) {
    color.setAlphaF(color.alphaF() * opacity);
    return color;
}

// How controls answer the pointer and the keyboard: a shade deeper (lighter on a dark theme)
// under the pointer and more so while pressed, a ring in the accent colour while focused, and
// faded while disabled.
namespace interaction {
inline constexpr int hoverShade = 5;
inline constexpr int pressShade = 11;
inline constexpr float focusRingOpacity = 0.6F;
inline constexpr qreal rowFocusWidth = 1.5;
inline constexpr float disabledOpacity = 0.45F;
}  // namespace interaction

// `color` shaded by `percent`: darker on a light theme, twice as much lighter on a dark one.
inline QColor shaded(const QColor& color, const QPalette& palette, int percent) {
    return isDark(palette) ? color.lighter(100 + 2 * percent) : color.darker(100 + percent);
}

// Hairlines between rows and under headers: the text colour, faint.
inline constexpr float dividerOpacity = 0.12F;
inline QColor divider(const QPalette& palette) {
    return faded(palette.color(QPalette::WindowText), dividerOpacity);
}

// A font of the application's family at a pixel size and weight.
inline QFont font(int pixelSize, QFont::Weight weight = QFont::Normal) {
    QFont result;
    result.setPixelSize(pixelSize);
    result.setWeight(weight);
    return result;
}

// The same with extra room between letters (small upper-case captions and tags).
inline QFont spaced(int pixelSize, QFont::Weight weight, qreal letterSpacing) {
    QFont result = font(pixelSize, weight);
    result.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
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

// Push buttons in three sizes: small (in rows), regular and large (the quick actions).
namespace button {
inline constexpr int smallFontSize = 11;
inline constexpr int smallHeight = 22;
inline constexpr int regularFontSize = 13;
inline constexpr int regularHeight = 28;
inline constexpr int largeFontSize = 13;
inline constexpr int largeHeight = 32;
inline constexpr int horizontalPadding = 12;
// A plain button has no border: its text lines up with the text around it.
inline constexpr int plainPadding = 3;
inline constexpr int radius = 6;
inline constexpr int borderWidth = 1;
inline constexpr int focusWidth = 2;
inline constexpr int smallSymbolSize = 12;
inline constexpr int symbolSize = 14;
// A prominent button (the main action of a page) is filled with the accent colour, its focus
// ring a lighter accent.
inline constexpr int prominentMinimumWidth = 80;
inline constexpr int prominentFocusLighter = 160;
// A plain button shows a faint accent background under the pointer.
inline constexpr float plainHoverOpacity = 0.08F;
inline constexpr float plainPressOpacity = 0.16F;
}  // namespace button

// The slim scroll bar of scrolling pages.
namespace scrollBar {
inline constexpr int width = 10;
inline constexpr int handleMargin = 2;
inline constexpr int minimumHandle = 32;
inline constexpr float handleOpacity = 0.25F;
inline constexpr float handleHoverOpacity = 0.4F;
}  // namespace scrollBar

// The on/off switch of a setting.
namespace toggle {
inline constexpr int trackWidth = 36;
inline constexpr int trackHeight = 20;
inline constexpr int knobInset = 2;
// Room around the track for the focus ring.
inline constexpr int focusMargin = 3;
inline constexpr int focusWidth = 2;
// A faint rim, so that the white knob stands out on a light track.
inline const QColor knobRim = QColor(0, 0, 0, 40);
inline constexpr qreal knobRimWidth = 0.5;
}  // namespace toggle

// The settings window: a scrolling page of cards.
namespace settings {
inline constexpr int pageHorizontal = 32;
inline constexpr int pageTop = 28;
inline constexpr int pageBottom = 32;
inline constexpr int pageSpacing = 28;

inline constexpr int headerSpacing = 16;
inline constexpr int logoSize = 44;
inline constexpr int titleSpacing = 2;
inline constexpr int titleFontSize = 22;
inline constexpr int taglineFontSize = 12;

inline constexpr int cardRadius = 10;
inline constexpr int statusMargin = 14;
inline constexpr int statusSpacing = 12;
inline constexpr int statusIconSize = 36;
inline constexpr float statusIconOpacity = 0.18F;
inline constexpr int statusSymbolSize = 18;
inline constexpr int statusColumnSpacing = 6;
inline constexpr int headlineFontSize = 14;
inline constexpr int sourceLineSpacing = 3;
inline constexpr int permissionsFontSize = 11;

inline constexpr int emptyFontSize = 12;
inline constexpr int emptyExtra = 4;
inline constexpr int recentSpacing = 8;

inline constexpr int quickActionSpacing = 10;
inline constexpr int quickActionExtra = 4;

inline constexpr int sectionSpacing = 10;
inline constexpr int sectionHeaderSpacing = 8;
inline constexpr int sectionTitleFontSize = 11;
inline constexpr qreal sectionLetterSpacing = 0.6;
inline constexpr float subtitleOpacity = 0.7F;
inline constexpr int cardSpacing = 14;
inline constexpr int cardMargin = 18;

inline constexpr int rowSpacing = 16;
inline constexpr int rowTextSpacing = 3;
inline constexpr int rowTitleFontSize = 13;
inline constexpr int rowTitleBadgeSpacing = 6;
inline constexpr int captionFontSize = 11;
inline constexpr int rowMinimumGap = 12;
inline constexpr int positionPickerWidth = 180;
inline constexpr int delayPickerWidth = 140;
inline constexpr int ignoredAppsWidth = 200;
inline constexpr int textFieldRadius = 6;
inline constexpr int textFieldPadding = 7;
inline constexpr int pickerHeight = 24;
inline constexpr int pickerFontSize = 12;
inline constexpr int logButtonSpacing = 10;

inline constexpr int footerExtra = 4;
inline constexpr int footerFontSize = 11;
}  // namespace settings

// One source's line in the status card.
namespace statusBadge {
inline constexpr int dotSize = 6;
inline constexpr int spacing = 6;
inline constexpr int labelFontSize = 12;
inline constexpr int detailFontSize = 11;
}  // namespace statusBadge

// The small tag after a row title ("BETA").
namespace betaBadge {
inline constexpr int fontSize = 9;
inline constexpr qreal letterSpacing = 0.6;
inline constexpr int horizontalPadding = 6;
inline constexpr int verticalPadding = 2;
inline constexpr int radius = 4;
inline constexpr float fillOpacity = 0.15F;
}  // namespace betaBadge

// One recent code in the settings window.
namespace recentCode {
inline constexpr int codeFontSize = 16;
inline constexpr int serviceFontSize = 11;
inline constexpr int spacing = 2;
inline constexpr int margin = 12;
inline constexpr int radius = 8;
inline constexpr int copySymbolSize = 14;
inline constexpr int textToSymbolGap = 12;
}  // namespace recentCode

// The first-run setup window.
namespace onboarding {
inline constexpr int headerTop = 30;
inline constexpr int headerBottom = 25;
inline constexpr int headerSpacing = 6;
inline constexpr int logoHeight = 60;
inline constexpr int titleFontSize = 24;
inline constexpr int subtitleFontSize = 13;

inline constexpr int permissionsHorizontal = 30;
inline constexpr int permissionsVertical = 25;
inline constexpr int permissionsSpacing = 20;
inline constexpr int permissionsTitleFontSize = 18;
inline constexpr int permissionsTitleBelow = 5;
inline constexpr int refreshBelow = 10;
inline constexpr int refreshFontSize = 13;

inline constexpr int bottomHorizontal = 30;
inline constexpr int bottomVertical = 20;
inline constexpr int messageFontSize = 13;
inline constexpr int messageSymbolSize = 14;
inline constexpr int messageSpacing = 8;
inline constexpr int bottomSpacing = 12;

inline constexpr int featuresHorizontal = 40;
inline constexpr int featuresVertical = 30;
inline constexpr int featuresSpacing = 25;
inline constexpr int completeMinimumWidth = 120;
}  // namespace onboarding

// One permission on the setup page.
namespace permissionRow {
inline constexpr int spacing = 15;
inline constexpr int margin = 15;
inline constexpr int radius = 8;
inline constexpr int iconSize = 44;
inline constexpr float iconOpacity = 0.15F;
inline constexpr int symbolSize = 18;
inline constexpr int textSpacing = 3;
inline constexpr int titleFontSize = 14;
inline constexpr int descriptionFontSize = 12;
inline constexpr int grantedFontSize = 12;
inline constexpr int grantedSymbolSize = 14;
inline constexpr int grantedSpacing = 4;
}  // namespace permissionRow

// One feature on the overview page.
namespace featureRow {
inline constexpr int spacing = 15;
inline constexpr int symbolSize = 24;
inline constexpr int symbolFrameWidth = 40;
inline constexpr int textSpacing = 4;
inline constexpr int titleFontSize = 16;
inline constexpr int descriptionFontSize = 13;
}  // namespace featureRow

}  // namespace nabbit::theme
