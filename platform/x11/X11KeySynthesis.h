#pragma once

#include "platform/KeySynthesis.h"

namespace nabbit {

// Posts key events with the XTEST extension on a connection of its own, so they reach the
// window that has the focus exactly as typed keys do.
class X11KeySynthesis final : public KeySynthesis {
  public:
    bool sendPaste() override;
};

}  // namespace nabbit
