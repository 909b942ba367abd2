#pragma once

#include "app/ViewFactory.h"

namespace nabbit {

// The views of the user interface, as the application object asks for them.
class WidgetViewFactory final : public ViewFactory {
  public:
    QWidget* makeOverlayView(const QString& line1, const std::optional<QString>& line2,
                             QWidget* parent) const override;
    QWidget* makePopoverContent(MainWindowState& state, AppDelegate* appDelegate,
                                QWidget* parent) const override;
    QWidget* makeMainWindowView(MainWindowState& state, AppDelegate* appDelegate,
                                QWidget* parent) const override;
    QWidget* makeOnboardingView(AppDelegate* appDelegate, QWidget* parent) const override;
};

}  // namespace nabbit
