#pragma once

#include <wayland-client-core.h>

#include <utility>

namespace nabbit {

// Owns one Wayland protocol object. When it goes, the object's destructor request is sent
// (when the interface has one) and the client-side proxy is freed. Objects must go before the
// connection they belong to.
class WaylandProxy {
  public:
    // For interfaces without a destructor request (wl_registry, wl_seat before version 5):
    // only the client side is freed.
    static constexpr int kNoDestructor = -1;

    WaylandProxy() = default;
    WaylandProxy(wl_proxy* proxy, int destructorOpcode)
        : proxy_(proxy), destructorOpcode_(destructorOpcode) {}
    ~WaylandProxy() { reset(); }

    WaylandProxy(WaylandProxy&& other) noexcept
        : proxy_(std::exchange(other.proxy_, nullptr)),
          destructorOpcode_(other.destructorOpcode_) {}
    WaylandProxy& operator=(WaylandProxy&& other) noexcept {
        if (this != &other) {
            reset();
            proxy_ = std::exchange(other.proxy_, nullptr);
            destructorOpcode_ = other.destructorOpcode_;
        }
        return *this;
    }
    WaylandProxy(const WaylandProxy&) = delete;
    WaylandProxy& operator=(const WaylandProxy&) = delete;

    wl_proxy* get() const { return proxy_; }
    explicit operator bool() const { return proxy_ != nullptr; }

    void reset() {
        wl_proxy* proxy = std::exchange(proxy_, nullptr);
        if (proxy == nullptr) {
            return;
        }
        if (destructorOpcode_ == kNoDestructor) {
            wl_proxy_destroy(proxy);
        } else {
            wl_proxy_marshal_flags(proxy, static_cast<uint32_t>(destructorOpcode_), nullptr,
                                   wl_proxy_get_version(proxy), WL_MARSHAL_FLAG_DESTROY);
        }
    }

  private:
    wl_proxy* proxy_ = nullptr;
    int destructorOpcode_ = kNoDestructor;
};

}  // namespace nabbit
