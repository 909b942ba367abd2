#pragma once

#include <functional>

#include <QWidget>

class QPushButton;

namespace nabbit {

class PageScrollArea;

// The setup's second page: what Nabbit does, and the button that finishes the setup.
class FeatureOverviewView : public QWidget {
    Q_OBJECT

  public:
    explicit FeatureOverviewView(std::function<void()> onComplete, QWidget* parent = nullptr);

    QPushButton* completeButton() const { return complete_; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

  protected:
    void changeEvent(QEvent* event) override;

  private:
    PageScrollArea* scroll_ = nullptr;
    QWidget* features_ = nullptr;
    QPushButton* complete_ = nullptr;
};

}  // namespace nabbit
