#pragma once

#include <optional>

#include <QString>

class QWidget;

namespace nabbit {

// The views the application object shows, made by the user-interface layer. The application
// knows them only as widgets, so that windows and delivery can be tested with the real views
// or without any.
class ViewFactory {
  public:
    virtual ~ViewFactory() = default;

    // The content of an overlay: a first line (a code, or a notice) and an optional second one.
    // The view is sized to its content and drawn on a transparent background.
    virtual QWidget* makeOverlayView(const QString& line1, const std::optional<QString>& line2,
                                     QWidget* parent) const = 0;
};

}  // namespace nabbit
