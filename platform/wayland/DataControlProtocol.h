#pragma once

#include <wayland-client-core.h>

#include <string>
#include <string_view>

#include "platform/wayland/WaylandProxy.h"

namespace nabbit {

// The clipboard protocol for clients without a surface: ext-data-control-v1 where the
// compositor has it, else its older wlroots form, zwlr-data-control-unstable-v1 (KWin,
// sway). The two have the same requests and events in the same order, so one set of calls
// serves both; only the interfaces the objects are made with differ.
class DataControlProtocol {
  public:
    // The events of the device, the source and the offer, in protocol order.
    struct DeviceListener {
        void (*dataOffer)(void* data, wl_proxy* device, wl_proxy* offer);
        void (*selection)(void* data, wl_proxy* device, wl_proxy* offer);
        void (*finished)(void* data, wl_proxy* device);
        void (*primarySelection)(void* data, wl_proxy* device, wl_proxy* offer);
    };
    struct SourceListener {
        void (*send)(void* data, wl_proxy* source, const char* mimeType, int32_t fd);
        void (*cancelled)(void* data, wl_proxy* source);
    };
    struct OfferListener {
        void (*offer)(void* data, wl_proxy* offer, const char* mimeType);
    };
    static void listen(wl_proxy* device, const DeviceListener& listener, void* data);
    static void listen(wl_proxy* source, const SourceListener& listener, void* data);
    static void listen(wl_proxy* offer, const OfferListener& listener, void* data);

    // The ext protocol first: it is the one compositors keep.
    static const DataControlProtocol* preferredOf(bool hasExt, bool hasWlr);
    static const DataControlProtocol& ext();
    static const DataControlProtocol& wlr();

    const std::string& managerName() const { return managerName_; }
    const wl_interface* managerInterface() const { return manager_; }

    // The requests, on objects of this protocol. The new objects are owned by the caller.
    WaylandProxy createSource(wl_proxy* manager) const;
    WaylandProxy getDevice(wl_proxy* manager, wl_proxy* seat) const;
    static void offer(wl_proxy* source, const std::string& mimeType);
    static void setSelection(wl_proxy* device, wl_proxy* source);
    static void receive(wl_proxy* offer, const std::string& mimeType, int fd);
    // The manager's destructor opcode, for wrapping a bound manager.
    static int managerDestructor();
    // Offers arrive as new objects of a device's events; they are wrapped with this.
    static WaylandProxy adoptOffer(wl_proxy* offer);

  private:
    DataControlProtocol(std::string managerName, const wl_interface* manager,
                        const wl_interface* device, const wl_interface* source);

    std::string managerName_;
    const wl_interface* manager_;
    const wl_interface* device_;
    const wl_interface* source_;
};

}  // namespace nabbit
