#include "platform/wayland/WaylandConnection.h"

#include <poll.h>
#include <sys/socket.h>
#include <wayland-client-protocol.h>

#include <cerrno>
#include <cstring>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSocketNotifier>

namespace nabbit {

Expected<std::unique_ptr<WaylandConnection>, std::string> WaylandConnection::open(
    const std::string& socket, std::chrono::milliseconds timeout) {
    wl_display* display = wl_display_connect(socket.empty() ? nullptr : socket.c_str());
    if (display == nullptr) {
        return Unexpected{std::string("cannot connect to the Wayland compositor: ") +
                          std::strerror(errno)};
    }
    std::unique_ptr<WaylandConnection> connection(new WaylandConnection(display));
    if (!connection->roundtrip(timeout)) {
        return Unexpected{std::string("the Wayland compositor did not answer")};
    }
    return connection;
}

WaylandConnection::WaylandConnection(wl_display* display) : display_(display) {
    static const wl_registry_listener listener{.global = &WaylandConnection::onGlobal,
                                               .global_remove = &WaylandConnection::onGlobalRemove};
    auto* registry = wl_display_get_registry(display_);
    registry_ = WaylandProxy(reinterpret_cast<wl_proxy*>(registry), WaylandProxy::kNoDestructor);
    wl_registry_add_listener(registry, &listener, this);

    const int fd = wl_display_get_fd(display_);
    readNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(readNotifier_.get(), &QSocketNotifier::activated, this, [this] { readAndDispatch(); });
    writeNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_.get(), &QSocketNotifier::activated, this, [this] { flush(); });
    // Whatever an event handler or a caller requested goes out before the loop sleeps.
    if (auto* dispatcher = QAbstractEventDispatcher::instance()) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            if (!lost_ && wl_display_dispatch_pending(display_) >= 0) {
                flush();
            }
        });
    }
}

WaylandConnection::~WaylandConnection() {
    // The notifiers and every object go before the socket closes.
    readNotifier_.reset();
    writeNotifier_.reset();
    registry_.reset();
    wl_display_disconnect(display_);
}

const WaylandConnection::Global* WaylandConnection::findGlobal(const std::string& interface) const {
    for (const Global& global : globals_) {
        if (global.interface == interface) {
            return &global;
        }
    }
    return nullptr;
}

wl_proxy* WaylandConnection::bind(const Global& global, const wl_interface* interface,
                                  uint32_t version) {
    const uint32_t bound = std::min(version, global.version);
    return static_cast<wl_proxy*>(wl_registry_bind(reinterpret_cast<wl_registry*>(registry_.get()),
                                                   global.name, interface, bound));
}

void WaylandConnection::flush() {
    if (lost_) {
        return;
    }
    if (wl_display_flush(display_) >= 0) {
        writeNotifier_->setEnabled(false);
    } else if (errno == EAGAIN) {
        // The socket buffer is full: the rest goes when the compositor has read some.
        writeNotifier_->setEnabled(true);
    } else {
        fail("writing to the compositor failed");
    }
}

// A wl_display_sync answered within `timeout`; while connecting, so that the globals are known
// when the program chooses its routes.
bool WaylandConnection::roundtrip(std::chrono::milliseconds timeout) {
    bool done = false;
    static const wl_callback_listener listener{
        .done = [](void* data, wl_callback*, uint32_t) { *static_cast<bool*>(data) = true; }};
    WaylandProxy callback(reinterpret_cast<wl_proxy*>(wl_display_sync(display_)),
                          WaylandProxy::kNoDestructor);
    wl_callback_add_listener(reinterpret_cast<wl_callback*>(callback.get()), &listener, &done);

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done) {
        if (wl_display_prepare_read(display_) != 0) {
            if (wl_display_dispatch_pending(display_) < 0) {
                return false;
            }
            continue;
        }
        if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(display_);
            return false;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd socket{.fd = wl_display_get_fd(display_), .events = POLLIN, .revents = 0};
        if (left.count() <= 0 || ::poll(&socket, 1, static_cast<int>(left.count())) <= 0) {
            wl_display_cancel_read(display_);
            return false;
        }
        if (wl_display_read_events(display_) < 0 || wl_display_dispatch_pending(display_) < 0) {
            return false;
        }
    }
    return true;
}

void WaylandConnection::readAndDispatch() {
    if (lost_) {
        return;
    }
    // Events already queued are dispatched first; the socket stays readable until read.
    if (wl_display_prepare_read(display_) == 0) {
        // A closed socket is readable with nothing to read, which not every libwayland
        // reports as an error: look for the end of the stream ourselves.
        char byte = 0;
        if (::recv(wl_display_get_fd(display_), &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0) {
            wl_display_cancel_read(display_);
            fail("the compositor closed the connection");
            return;
        }
        if (wl_display_read_events(display_) < 0) {
            fail("the compositor closed the connection");
            return;
        }
    }
    if (wl_display_dispatch_pending(display_) < 0) {
        fail("the compositor reported a protocol error");
        return;
    }
    flush();
}

void WaylandConnection::fail(const char* what) {
    if (lost_) {
        return;
    }
    lost_ = true;
    readNotifier_->setEnabled(false);
    writeNotifier_->setEnabled(false);
    QString reason = QString::fromUtf8(what);
    if (const int error = wl_display_get_error(display_); error != 0) {
        reason += QStringLiteral(" (%1)").arg(QString::fromUtf8(std::strerror(error)));
    }
    emit connectionLost(reason);
}

void WaylandConnection::onGlobal(void* data, wl_registry*, uint32_t name, const char* interface,
                                 uint32_t version) {
    static_cast<WaylandConnection*>(data)->globals_.push_back({name, interface, version});
}

void WaylandConnection::onGlobalRemove(void* data, wl_registry*, uint32_t name) {
    auto& globals = static_cast<WaylandConnection*>(data)->globals_;
    std::erase_if(globals, [name](const Global& global) { return global.name == name; });
}

}  // namespace nabbit
