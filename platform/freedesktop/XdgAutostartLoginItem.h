#pragma once

#include <string>

#include "core/Expected.h"
#include "platform/LoginItem.h"

namespace nabbit {

// The XDG autostart entry $XDG_CONFIG_HOME/autostart/nabbit.desktop, which desktop sessions
// start at login: written atomically (never half a file) or removed.
class XdgAutostartLoginItem final : public LoginItem {
  public:
    // `program`: the absolute path of the running program. Inside an AppImage, the AppImage
    // itself ($APPIMAGE) is started instead: the program's own path lies in a mount that goes
    // away with it.
    explicit XdgAutostartLoginItem(std::string program);

    void setEnabled(bool enabled) override;
    bool isEnabled() const override;

    // The program the entry starts.
    const std::string& program() const { return program_; }

    // The value of the Exec key that starts `program` with no arguments, quoted and escaped as
    // the Desktop Entry rules want; an error for a path no entry can hold (empty, not UTF-8, or
    // with a line break or another control character).
    static Expected<std::string, std::string> execValue(const std::string& program);
    // The entry's text for a program path; the same errors.
    static Expected<std::string, std::string> desktopEntry(const std::string& program);

  private:
    std::string program_;
};

}  // namespace nabbit
