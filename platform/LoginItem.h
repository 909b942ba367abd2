#pragma once

namespace nabbit {

// Starting Nabbit when the user logs in.
class LoginItem {
  public:
    virtual ~LoginItem() = default;
    // Fire and forget, like the preference it follows: there is no result to examine.
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
};

}  // namespace nabbit
