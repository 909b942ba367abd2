#pragma once

#include <QPointer>
#include <QWidget>

class QStackedLayout;

namespace nabbit {

class AppDelegate;
class FeatureOverviewView;
class IMessagePermissionsView;
class OnboardingViewModel;
class PermissionsService;

// The setup window's content: the permissions page, then the feature overview, whose button
// records that setup is done, closes the window and opens the settings window. Watches the
// permissions every half second while it is on screen.
class OnboardingView : public QWidget {
    Q_OBJECT

  public:
    OnboardingView(const PermissionsService& permissions, AppDelegate* appDelegate,
                   QWidget* parent = nullptr);

    OnboardingViewModel& viewModel() { return *viewModel_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void showStep();
    void fitWindowToContent();
    void completeOnboarding();

    QPointer<AppDelegate> appDelegate_;
    OnboardingViewModel* viewModel_ = nullptr;  // a child
    QStackedLayout* pages_ = nullptr;
    IMessagePermissionsView* permissionsPage_ = nullptr;
    FeatureOverviewView* featuresPage_ = nullptr;
    bool fittedOnce_ = false;
};

}  // namespace nabbit
