#pragma once

#include <functional>

#include <QWidget>

class QLabel;
class QPushButton;

namespace nabbit {

class OnboardingViewModel;
class PermissionRow;

// The setup's first page: the two permissions with their live status, and at the bottom
// "Next" once the Messages database can be read ("Close" until then). On a machine without a
// Messages database the first permission is message access instead: any source that can be
// read; its "Grant Access" runs `turnOnNotifications`.
class IMessagePermissionsView : public QWidget {
    Q_OBJECT

  public:
    IMessagePermissionsView(OnboardingViewModel& model, std::function<void()> turnOnNotifications,
                            QWidget* parent = nullptr);

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void render();
    void restyle();

    OnboardingViewModel& model_;
    PermissionRow* fullDiskAccess_ = nullptr;
    PermissionRow* messageAccess_ = nullptr;
    PermissionRow* accessibility_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QLabel* messageSymbol_ = nullptr;
    QLabel* message_ = nullptr;
    QPushButton* next_ = nullptr;
};

}  // namespace nabbit
