#include "ui/Palettes.h"

namespace nabbit::theme {

namespace {

struct Colors {
    QColor window, windowText, base, alternateBase, text, button, buttonText, mid, dark, light,
        highlight, highlightedText, link, placeholder, toolTipBase, toolTipText, disabledText;
};

QPalette make(const Colors& c) {
    QPalette palette;
    palette.setColor(QPalette::Window, c.window);
    palette.setColor(QPalette::WindowText, c.windowText);
    palette.setColor(QPalette::Base, c.base);
    palette.setColor(QPalette::AlternateBase, c.alternateBase);
    palette.setColor(QPalette::Text, c.text);
    palette.setColor(QPalette::Button, c.button);
    palette.setColor(QPalette::ButtonText, c.buttonText);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Light, c.light);
    palette.setColor(QPalette::Midlight, c.light);
    palette.setColor(QPalette::Mid, c.mid);
    palette.setColor(QPalette::Dark, c.dark);
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::Highlight, c.highlight);
    palette.setColor(QPalette::HighlightedText, c.highlightedText);
    palette.setColor(QPalette::Link, c.link);
    palette.setColor(QPalette::LinkVisited, c.link);
    palette.setColor(QPalette::PlaceholderText, c.placeholder);
    palette.setColor(QPalette::ToolTipBase, c.toolTipBase);
    palette.setColor(QPalette::ToolTipText, c.toolTipText);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, c.disabledText);
    }
    return palette;
}

}  // namespace

QPalette lightPalette() {
    return make({.window = QColor(0xEC, 0xEC, 0xEC),
                 .windowText = QColor(0x1D, 0x1D, 0x1F),
                 .base = Qt::white,
                 .alternateBase = QColor(0xF5, 0xF5, 0xF7),
                 .text = QColor(0x1D, 0x1D, 0x1F),
                 .button = QColor(0xFA, 0xFA, 0xFA),
                 .buttonText = QColor(0x1D, 0x1D, 0x1F),
                 .mid = QColor(0xC7, 0xC7, 0xCC),
                 .dark = QColor(0xA0, 0xA0, 0xA5),
                 .light = Qt::white,
                 .highlight = QColor(0x00, 0x7A, 0xFF),
                 .highlightedText = Qt::white,
                 .link = QColor(0x00, 0x7A, 0xFF),
                 .placeholder = QColor(0x1D, 0x1D, 0x1F, 0x8C),
                 .toolTipBase = QColor(0xFF, 0xFF, 0xF2),
                 .toolTipText = QColor(0x1D, 0x1D, 0x1F),
                 .disabledText = QColor(0x1D, 0x1D, 0x1F, 0x60)});
}

QPalette darkPalette() {
    return make({.window = QColor(0x2C, 0x2C, 0x2E),
                 .windowText = QColor(0xF2, 0xF2, 0xF7),
                 .base = QColor(0x1C, 0x1C, 0x1E),
                 .alternateBase = QColor(0x24, 0x24, 0x26),
                 .text = QColor(0xF2, 0xF2, 0xF7),
                 .button = QColor(0x3A, 0x3A, 0x3C),
                 .buttonText = QColor(0xF2, 0xF2, 0xF7),
                 .mid = QColor(0x48, 0x48, 0x4A),
                 .dark = QColor(0x1C, 0x1C, 0x1E),
                 .light = QColor(0x54, 0x54, 0x58),
                 .highlight = QColor(0x0A, 0x84, 0xFF),
                 .highlightedText = Qt::white,
                 .link = QColor(0x0A, 0x84, 0xFF),
                 .placeholder = QColor(0xF2, 0xF2, 0xF7, 0x99),
                 .toolTipBase = QColor(0x3A, 0x3A, 0x3C),
                 .toolTipText = QColor(0xF2, 0xF2, 0xF7),
                 .disabledText = QColor(0xF2, 0xF2, 0xF7, 0x55)});
}

}  // namespace nabbit::theme
