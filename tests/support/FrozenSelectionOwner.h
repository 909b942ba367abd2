#pragma once

#include <memory>
#include <string>

struct wl_display;
struct wl_seat;
struct zwlr_data_control_manager_v1;
struct zwlr_data_control_device_v1;
struct zwlr_data_control_source_v1;

namespace nabbit::test {

// A Wayland client that takes the clipboard (data-control) with a text type and then never
// reads its connection again: whoever asks for the data waits for good, as with a frozen
// program. Lets go of everything when it goes.
class FrozenSelectionOwner {
  public:
    // Connects to the compositor's socket (an absolute path); nothing when it cannot take the
    // clipboard.
    static std::unique_ptr<FrozenSelectionOwner> take(const std::string& socket);
    ~FrozenSelectionOwner();
    FrozenSelectionOwner(const FrozenSelectionOwner&) = delete;
    FrozenSelectionOwner& operator=(const FrozenSelectionOwner&) = delete;

  private:
    FrozenSelectionOwner() = default;

    wl_display* display_ = nullptr;
    wl_seat* seat_ = nullptr;
    zwlr_data_control_manager_v1* manager_ = nullptr;
    zwlr_data_control_device_v1* device_ = nullptr;
    zwlr_data_control_source_v1* source_ = nullptr;
};

}  // namespace nabbit::test
