#pragma once

#include <functional>

#include <QWidget>

#include "ui/OnboardingViewModel.h"

class QLabel;
class QPushButton;

namespace nabbit {

class SymbolCircle;

// One permission on the setup page: its symbol in a circle (blue once granted, grey while
// needed), its name and what it is for, and at the right either "Grant Access" ("Ask Again"
// once refused) or a green check with "Granted".
class PermissionRow : public QWidget {
    Q_OBJECT

  public:
    PermissionRow(const QString& icon, const QString& title, const QString& description,
                  std::function<void()> action, QWidget* parent = nullptr);

    void setStatus(PermissionStatus status);
    PermissionStatus status() const { return status_; }
    QPushButton* grantButton() const { return grant_; }

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void restyle();

    QString icon_;
    QString title_;
    PermissionStatus status_ = PermissionStatus::needed;
    SymbolCircle* circle_ = nullptr;
    QPushButton* grant_ = nullptr;
    QWidget* granted_ = nullptr;
    QLabel* grantedSymbol_ = nullptr;
};

}  // namespace nabbit
