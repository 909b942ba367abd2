#pragma once

#include <optional>

#include <QString>

class QWidget;

namespace nabbit {

class AppDelegate;
class MainWindowState;

// The views the application object shows, made by the user-interface layer. The application
// knows them only as widgets, so that windows and delivery can be tested with the real views
// or without any. Views hold the application object weakly: the pointer may be null, and a
// view must do nothing on its behalf once it is gone.
class ViewFactory {
  public:
    virtual ~ViewFactory() = default;

    // The content of an overlay: a first line (a code, or a notice) and an optional second one.
    // The view is sized to its content and drawn on a transparent background.
    virtual QWidget* makeOverlayView(const QString& line1, const std::optional<QString>& line2,
                                     QWidget* parent) const = 0;

    // The panel under the tray icon.
    virtual QWidget* makePopoverContent(MainWindowState& state, AppDelegate* appDelegate,
                                        QWidget* parent) const = 0;

    // The settings window's content.
    virtual QWidget* makeMainWindowView(MainWindowState& state, AppDelegate* appDelegate,
                                        QWidget* parent) const = 0;

    // The first-run setup.
    virtual QWidget* makeOnboardingView(AppDelegate* appDelegate, QWidget* parent) const = 0;
};

}  // namespace nabbit
