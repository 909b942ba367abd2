#pragma once

#include <QString>

class QPalette;
class QPushButton;
class QWidget;

// Nabbit's push buttons: bordered (the usual kind), destructive (bordered, red text),
// prominent (filled with the accent colour: a page's main action) and plain (accent text, no
// border). Each has its text as accessible name and a tab stop, and answers Space and Enter.
namespace nabbit::buttons {

enum class Kind { bordered, destructive, prominent, plain };
enum class Size { small, regular, large };

// A button of that kind and size; `symbol` names one of the symbols shown before the text.
QPushButton* make(const QString& text, Kind kind, Size size, QWidget* parent,
                  const QString& symbol = {});

// Colours every button made here under `root` afresh from its palette, after a change of
// theme.
void restyle(QWidget* root);

}  // namespace nabbit::buttons
