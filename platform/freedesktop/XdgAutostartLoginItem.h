#pragma once

#include <string>

#include "platform/LoginItem.h"

namespace nabbit {

// The XDG autostart entry $XDG_CONFIG_HOME/autostart/nabbit.desktop, which desktop sessions
// start at login: written atomically (never half a file) or removed.
class XdgAutostartLoginItem final : public LoginItem {
  public:
    // `program`: the absolute path of the program to start.
    explicit XdgAutostartLoginItem(std::string program);

    void setEnabled(bool enabled) override;
    bool isEnabled() const override;

    // The entry's text for a program path.
    static std::string desktopEntry(const std::string& program);

  private:
    std::string program_;
};

}  // namespace nabbit
