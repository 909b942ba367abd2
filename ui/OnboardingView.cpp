#include "ui/OnboardingView.h"

#include <QPushButton>
#include <QStackedLayout>

#include "app/AppDelegate.h"
#include "app/AppWindow.h"
#include "core/AppStateManager.h"
#include "ui/FeatureOverviewView.h"
#include "ui/IMessagePermissionsView.h"
#include "ui/OnboardingViewModel.h"

namespace nabbit {

OnboardingView::OnboardingView(const PermissionsService& permissions, AppDelegate* appDelegate,
                               QWidget* parent)
    : QWidget(parent),
      appDelegate_(appDelegate),
      viewModel_(new OnboardingViewModel(permissions, this)) {
    setFocusPolicy(Qt::ClickFocus);
    pages_ = new QStackedLayout(this);
    // Without a Messages database, the desktop's notifications are the way in.
    const auto turnOnNotifications = [this] {
        if (appDelegate_) {
            AppStateManager::shared().setNotificationDetectionEnabled(true);
            appDelegate_->updateNotificationManager();
        }
        viewModel_->checkPermissions();
    };
    permissionsPage_ = new IMessagePermissionsView(*viewModel_, turnOnNotifications, this);
    featuresPage_ = new FeatureOverviewView([this] { completeOnboarding(); }, this);
    pages_->addWidget(permissionsPage_);
    pages_->addWidget(featuresPage_);
    connect(viewModel_, &OnboardingViewModel::changed, this, &OnboardingView::showStep);
    // A permission's status changes the width left to its description, so its height too:
    // measured once the layout has taken the change in.
    connect(viewModel_, &OnboardingViewModel::changed, this, [this] {
        if (isVisible()) {
            QMetaObject::invokeMethod(this, &OnboardingView::fitWindowToContent,
                                      Qt::QueuedConnection);
        }
    });
    showStep();
}

// The window opens at its first size; where the page's texts need more height in the fonts
// at hand, it grows rather than squeezing them.
void OnboardingView::fitWindowToContent() {
    QWidget* window = this->window();
    const int needed = heightForWidth(width());
    if (window == this || needed <= height()) {
        return;
    }
    window->resize(window->width(), window->height() + needed - height());
    if (auto* appWindow = qobject_cast<AppWindow*>(window); appWindow && !fittedOnce_) {
        appWindow->center();
    }
    fittedOnce_ = true;
}

void OnboardingView::showStep() {
    QWidget* page = viewModel_->currentStep() == OnboardingStep::iMessagePermissions
                        ? static_cast<QWidget*>(permissionsPage_)
                        : featuresPage_;
    if (pages_->currentWidget() != page) {
        pages_->setCurrentWidget(page);
        fitWindowToContent();
        if (page == featuresPage_) {
            // The button that was pressed is gone: its successor takes the focus.
            featuresPage_->completeButton()->setFocus(Qt::TabFocusReason);
        }
    }
}

void OnboardingView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // No focus ring on a control before the user presses Tab.
    if (window()->focusWidget() == nullptr) {
        setFocus(Qt::OtherFocusReason);
    }
    fitWindowToContent();
    viewModel_->startMonitoring();
}

void OnboardingView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    viewModel_->stopMonitoring();
}

void OnboardingView::completeOnboarding() {
    const auto& preferences = AppStateManager::shared();
    preferences.setHasSetup(true);
    preferences.removeCurrentOnboardingStep();
    const QPointer<AppDelegate> appDelegate = appDelegate_;
    window()->close();
    // After the close has been handled, as a separate turn of the event loop.
    if (appDelegate) {
        QMetaObject::invokeMethod(
            appDelegate,
            [appDelegate] {
                if (appDelegate) {
                    appDelegate->openMainWindow();
                }
            },
            Qt::QueuedConnection);
    }
}

}  // namespace nabbit
