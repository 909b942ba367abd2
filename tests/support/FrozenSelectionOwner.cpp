#include "FrozenSelectionOwner.h"

#include <unistd.h>
#include <wayland-client.h>

#include <cstring>

#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace nabbit::test {

namespace {

struct Globals {
    wl_seat* seat = nullptr;
    zwlr_data_control_manager_v1* manager = nullptr;
};

void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && globals->seat == nullptr) {
        globals->seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0) {
        globals->manager = static_cast<zwlr_data_control_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1));
    }
}

void onGlobalRemove(void*, wl_registry*, uint32_t) {}

// Runs only when the owner lets go: the requests it left unanswered end there.
void onSend(void*, zwlr_data_control_source_v1*, const char*, int32_t fd) {
    ::close(fd);
}
void onCancelled(void*, zwlr_data_control_source_v1*) {}

}  // namespace

std::unique_ptr<FrozenSelectionOwner> FrozenSelectionOwner::take(const std::string& socket) {
    std::unique_ptr<FrozenSelectionOwner> owner(new FrozenSelectionOwner);
    owner->display_ = wl_display_connect(socket.c_str());
    if (owner->display_ == nullptr) {
        return nullptr;
    }
    static const wl_registry_listener listener{.global = onGlobal, .global_remove = onGlobalRemove};
    Globals globals;
    wl_registry* registry = wl_display_get_registry(owner->display_);
    wl_registry_add_listener(registry, &listener, &globals);
    const bool listed = wl_display_roundtrip(owner->display_) >= 0;
    wl_registry_destroy(registry);
    owner->seat_ = globals.seat;
    owner->manager_ = globals.manager;
    if (!listed || owner->seat_ == nullptr || owner->manager_ == nullptr) {
        return nullptr;
    }
    owner->device_ = zwlr_data_control_manager_v1_get_data_device(owner->manager_, owner->seat_);
    owner->source_ = zwlr_data_control_manager_v1_create_data_source(owner->manager_);
    static const zwlr_data_control_source_v1_listener sourceListener{.send = onSend,
                                                                     .cancelled = onCancelled};
    zwlr_data_control_source_v1_add_listener(owner->source_, &sourceListener, nullptr);
    zwlr_data_control_source_v1_offer(owner->source_, "text/plain;charset=utf-8");
    zwlr_data_control_device_v1_set_selection(owner->device_, owner->source_);
    // After this, nothing reads the connection: the compositor's send requests go unanswered.
    if (wl_display_roundtrip(owner->display_) < 0) {
        return nullptr;
    }
    return owner;
}

FrozenSelectionOwner::~FrozenSelectionOwner() {
    // Everything read meanwhile is dispatched (and freed) before the objects go.
    if (display_ != nullptr) {
        wl_display_roundtrip(display_);
    }
    if (source_ != nullptr) {
        zwlr_data_control_source_v1_destroy(source_);
    }
    if (device_ != nullptr) {
        zwlr_data_control_device_v1_destroy(device_);
    }
    if (manager_ != nullptr) {
        zwlr_data_control_manager_v1_destroy(manager_);
    }
    if (seat_ != nullptr) {
        wl_seat_destroy(seat_);
    }
    if (display_ != nullptr) {
        wl_display_disconnect(display_);
    }
}

}  // namespace nabbit::test
