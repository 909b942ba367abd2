#pragma once

#include "platform/AccessibilityCheck.h"

namespace nabbit {

// Answers what the test set, counts the questions and the requests for the permission.
class FakeAccessibilityCheck final : public AccessibilityCheck {
  public:
    explicit FakeAccessibilityCheck(bool allowed = false) : allowed_(allowed) {}

    bool syntheticKeyEventsAllowed() const override {
        ++questions_;
        return allowed_;
    }

    // Not allowed yet, but the desktop would ask the user (a consent dialog).
    Status status() const override {
        return allowed_        ? Status::granted
               : refused_      ? Status::refused
               : needsConsent_ ? Status::needsConsent
                               : Status::unavailable;
    }
    void requestPermission() override { ++requests_; }

    void setAllowed(bool allowed) { allowed_ = allowed; }
    void setNeedsConsent(bool needsConsent) { needsConsent_ = needsConsent; }
    void setRefused(bool refused) { refused_ = refused; }
    int questions() const { return questions_; }
    int requests() const { return requests_; }

  private:
    bool allowed_;
    bool needsConsent_ = false;
    bool refused_ = false;
    mutable int questions_ = 0;
    int requests_ = 0;
};

}  // namespace nabbit
