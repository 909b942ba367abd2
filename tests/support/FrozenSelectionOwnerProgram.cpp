// nabbit-test-frozen-owner SOCKET: takes the clipboard of the Wayland compositor at SOCKET
// (data-control) with a text type, prints "ready", and then never reads its connection again:
// whoever asks for the data waits for good, as with a frozen program. Ended by a signal.
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>

#include "wlr-data-control-unstable-v1-client-protocol.h"

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

// The offers of the clipboard are of no interest: released as they come.
void onDataOffer(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
    zwlr_data_control_offer_v1_destroy(offer);
}
void onSelection(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1*) {}
void onFinished(void*, zwlr_data_control_device_v1*) {}
void onPrimarySelection(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1*) {}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: nabbit-test-frozen-owner SOCKET\n");
        return 2;
    }
    wl_display* display = wl_display_connect(argv[1]);
    if (display == nullptr) {
        std::fprintf(stderr, "cannot connect to %s\n", argv[1]);
        return 1;
    }
    static const wl_registry_listener listener{.global = onGlobal, .global_remove = onGlobalRemove};
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &globals);
    if (wl_display_roundtrip(display) < 0 || globals.seat == nullptr ||
        globals.manager == nullptr) {
        std::fprintf(stderr, "no seat or no data-control\n");
        return 1;
    }
    auto* device = zwlr_data_control_manager_v1_get_data_device(globals.manager, globals.seat);
    static const zwlr_data_control_device_v1_listener deviceListener{
        .data_offer = onDataOffer,
        .selection = onSelection,
        .finished = onFinished,
        .primary_selection = onPrimarySelection};
    zwlr_data_control_device_v1_add_listener(device, &deviceListener, nullptr);
    auto* source = zwlr_data_control_manager_v1_create_data_source(globals.manager);
    zwlr_data_control_source_v1_offer(source, "text/plain;charset=utf-8");
    zwlr_data_control_device_v1_set_selection(device, source);
    if (wl_display_roundtrip(display) < 0) {
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    // Frozen: the compositor's send requests stay unread, their pipes open.
    for (;;) {
        ::pause();
    }
}
