#include "ui/WidgetViewFactory.h"

#include "app/AppDelegate.h"
#include "platform/AccessibilityCheck.h"
#include "platform/FileReveal.h"
#include "ui/MainWindowView.h"
#include "ui/OnboardingView.h"
#include "ui/OverlayView.h"
#include "ui/PopoverContentView.h"

namespace nabbit {

namespace {

// What the setup checks when there is no application object to ask: nothing is granted and
// nothing can be opened.
class NothingAllowed final : public AccessibilityCheck, public FileReveal {
  public:
    bool syntheticKeyEventsAllowed() const override { return false; }
    void revealFile(const std::filesystem::path&) override {}
    void openFolder(const std::filesystem::path&) override {}
};

const PermissionsService& permissionsWithoutApplication() {
    static NothingAllowed nothing;
    static const PermissionsService service(nothing, nothing);
    return service;
}

}  // namespace

QWidget* WidgetViewFactory::makeOverlayView(const QString& line1,
                                            const std::optional<QString>& line2,
                                            QWidget* parent) const {
    return new OverlayView(line1, line2, parent);
}

QWidget* WidgetViewFactory::makePopoverContent(MainWindowState& state, AppDelegate* appDelegate,
                                               QWidget* parent) const {
    return new PopoverContentView(state, appDelegate, parent);
}

QWidget* WidgetViewFactory::makeMainWindowView(MainWindowState& state, AppDelegate* appDelegate,
                                               QWidget* parent) const {
    return new MainWindowView(state, appDelegate, parent);
}

QWidget* WidgetViewFactory::makeOnboardingView(AppDelegate* appDelegate, QWidget* parent) const {
    return new OnboardingView(appDelegate != nullptr ? appDelegate->permissionsService()
                                                     : permissionsWithoutApplication(),
                              appDelegate, parent);
}

}  // namespace nabbit
