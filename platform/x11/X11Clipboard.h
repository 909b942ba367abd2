#pragma once

#include "platform/Clipboard.h"

namespace nabbit {

// The CLIPBOARD selection through QClipboard (needs a QGuiApplication). A code is offered with
// the hint x-kde-passwordManagerHint = secret beside its text, which clipboard managers take
// as "do not keep in the history".
class X11Clipboard final : public Clipboard {
  public:
    std::optional<std::string> text() const override;
    void writeCode(const std::string& code) override;
    void writeText(const std::string& text) override;
};

}  // namespace nabbit
