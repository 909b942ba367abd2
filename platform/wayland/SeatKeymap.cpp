#include "platform/wayland/SeatKeymap.h"

#include <sys/mman.h>
#include <wayland-client-protocol.h>

#include <cstring>

#include "core/UniqueFd.h"

namespace nabbit {

namespace {

// wl_seat.release and wl_keyboard.release came with these versions.
constexpr uint32_t kSeatVersion = 5;
constexpr uint32_t kKeyboardReleaseSince = 3;
// A keymap is some tens of kilobytes; anything far larger is not one.
constexpr uint32_t kLargestKeymap = 4 * 1024 * 1024;

}  // namespace

SeatKeymap::SeatKeymap(WaylandConnection& connection) {
    const WaylandConnection::Global* seat = connection.findGlobal("wl_seat");
    if (seat == nullptr) {
        return;
    }
    wl_proxy* proxy = connection.bind(*seat, &wl_seat_interface, kSeatVersion);
    seat_ = WaylandProxy(proxy, wl_proxy_get_version(proxy) >= WL_SEAT_RELEASE_SINCE_VERSION
                                    ? WL_SEAT_RELEASE
                                    : WaylandProxy::kNoDestructor);
    static const wl_seat_listener listener{
        .capabilities = &SeatKeymap::onCapabilities,
        .name = [](void*, wl_seat*, const char*) {},
    };
    wl_seat_add_listener(reinterpret_cast<wl_seat*>(proxy), &listener, this);
}

SeatKeymap::~SeatKeymap() {
    keyboard_.reset();
    seat_.reset();
}

void SeatKeymap::onCapabilities(void* data, wl_seat* seat, uint32_t capabilities) {
    auto* self = static_cast<SeatKeymap*>(data);
    const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    if (keyboard && !self->keyboard_) {
        wl_keyboard* made = wl_seat_get_keyboard(seat);
        self->keyboard_ = WaylandProxy(reinterpret_cast<wl_proxy*>(made),
                                       wl_keyboard_get_version(made) >= kKeyboardReleaseSince
                                           ? WL_KEYBOARD_RELEASE
                                           : WaylandProxy::kNoDestructor);
        // Only the keymap matters here; the other events must still have a handler.
        static const wl_keyboard_listener listener{
            .keymap = &SeatKeymap::onKeymap,
            .enter = [](void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {},
            .leave = [](void*, wl_keyboard*, uint32_t, wl_surface*) {},
            .key = [](void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {},
            .modifiers = [](void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t,
                            uint32_t) {},
            .repeat_info = [](void*, wl_keyboard*, int32_t, int32_t) {},
        };
        wl_keyboard_add_listener(made, &listener, self);
    } else if (!keyboard) {
        // The last keymap stays: it is still the user's layout when a keyboard comes back.
        self->keyboard_.reset();
    }
}

void SeatKeymap::onKeymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
    const UniqueFd file(fd);
    if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 || size == 0 || size > kLargestKeymap) {
        return;
    }
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.get(), 0);
    if (mapped == MAP_FAILED) {
        return;
    }
    const char* text = static_cast<const char*>(mapped);
    // The text ends at its NUL, which the size includes.
    static_cast<SeatKeymap*>(data)->text_.assign(text, ::strnlen(text, size));
    ::munmap(mapped, size);
}

}  // namespace nabbit
