#pragma once

#include "platform/AccessibilityCheck.h"

namespace nabbit {

// Answers what the test set and counts the questions.
class FakeAccessibilityCheck final : public AccessibilityCheck {
  public:
    explicit FakeAccessibilityCheck(bool allowed = false) : allowed_(allowed) {}

    bool syntheticKeyEventsAllowed() const override {
        ++questions_;
        return allowed_;
    }

    void setAllowed(bool allowed) { allowed_ = allowed; }
    int questions() const { return questions_; }

  private:
    bool allowed_;
    mutable int questions_ = 0;
};

}  // namespace nabbit
