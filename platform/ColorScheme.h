#pragma once

#include <functional>

namespace nabbit {

// The light or dark appearance the user chose for their desktop.
class ColorScheme {
  public:
    enum class Preference { none, light, dark };
    using Observer = std::function<void(Preference)>;

    virtual ~ColorScheme() = default;

    virtual Preference current() const = 0;
    // Calls `observer` on every later change, on the calling thread.
    virtual void observe(Observer observer) = 0;
};

}  // namespace nabbit
