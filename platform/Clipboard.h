#pragma once

#include <optional>
#include <string>

namespace nabbit {

// The desktop's clipboard, the one Ctrl+V pastes from.
class Clipboard {
  public:
    virtual ~Clipboard() = default;

    // The plain text the clipboard holds; nothing when it holds none.
    virtual std::optional<std::string> text() const = 0;

    // Replaces the clipboard's contents with a one-time code, marked as a secret so that
    // clipboard history tools do not keep it.
    virtual void writeCode(const std::string& code) = 0;

    // Writes ordinary text (the user's own text, put back after a code).
    virtual void writeText(const std::string& text) = 0;
};

}  // namespace nabbit
