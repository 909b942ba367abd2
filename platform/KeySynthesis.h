#pragma once

namespace nabbit {

// Types keys as if the user did, into whatever window has the keyboard focus.
class KeySynthesis {
  public:
    virtual ~KeySynthesis() = default;

    // Presses and releases Ctrl+V. False when the key events could not be posted.
    virtual bool sendPaste() = 0;
};

}  // namespace nabbit
