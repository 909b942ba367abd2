#pragma once

#include <cstdint>
#include <string>

#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandProxy.h"

struct wl_keyboard;
struct wl_seat;

namespace nabbit {

// The keymap of the seat's keyboard, as the compositor hands it to every client: the user's own
// layout (and the one they switch to later). Nothing while the seat has no keyboard, as on a
// headless session. Bound on `connection`, which must outlive it.
class SeatKeymap {
  public:
    explicit SeatKeymap(WaylandConnection& connection);
    ~SeatKeymap();
    SeatKeymap(const SeatKeymap&) = delete;
    SeatKeymap& operator=(const SeatKeymap&) = delete;

    // The keymap in the text format (xkb_v1), the latest the compositor sent; empty when none.
    const std::string& text() const { return text_; }
    // The seat itself (nothing when the compositor offers none), for other objects of it.
    wl_seat* seat() const { return reinterpret_cast<wl_seat*>(seat_.get()); }

  private:
    static void onCapabilities(void* data, wl_seat* seat, uint32_t capabilities);
    static void onKeymap(void* data, wl_keyboard* keyboard, uint32_t format, int32_t fd,
                         uint32_t size);

    // The keyboard goes before the seat.
    WaylandProxy seat_;
    WaylandProxy keyboard_;
    std::string text_;
};

}  // namespace nabbit
