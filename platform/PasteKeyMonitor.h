#pragma once

#include <functional>
#include <memory>

#include "platform/Registration.h"

namespace nabbit {

// Sees the user paste with the keyboard anywhere on the desktop.
class PasteKeyMonitor {
  public:
    virtual ~PasteKeyMonitor() = default;

    // Calls `onPaste` on the calling thread for every Ctrl+V typed in any application, until
    // the returned registration goes. Empty when keys cannot be monitored here.
    virtual std::unique_ptr<Registration> watchPasteKeys(std::function<void()> onPaste) = 0;
};

}  // namespace nabbit
