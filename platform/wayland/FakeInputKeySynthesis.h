#pragma once

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

#include "core/Expected.h"
#include "platform/AccessibilityCheck.h"
#include "platform/KeySynthesis.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandProxy.h"

namespace nabbit {

// Auto-paste on KWin: its org_kde_kwin_fake_input, which KWin offers only to a program whose
// installed desktop file lists the interface (X-KDE-Wayland-Interfaces) and whose Exec= is the
// running binary. Keys go as evdev codes; KWin reads them with the seat's own keymap.
class FakeInputKeySynthesis final : public KeySynthesis, public AccessibilityCheck {
  public:
    static constexpr std::chrono::milliseconds kConnectTimeout{2000};

    // Connects to `socket` (empty: WAYLAND_DISPLAY); the error says why the route is not there.
    static Expected<std::unique_ptr<FakeInputKeySynthesis>, std::string> connect(
        const std::string& socket = {});
    // The same on a connection already open, which it takes over when the route is there and
    // leaves to the caller otherwise (to try another route on).
    static Expected<std::unique_ptr<FakeInputKeySynthesis>, std::string> over(
        std::unique_ptr<WaylandConnection>& connection);

    bool sendPaste() override;
    // Granted with the connection: the compositor offered the route to this program.
    bool syntheticKeyEventsAllowed() const override { return !connection_->lost(); }

  private:
    explicit FakeInputKeySynthesis(std::unique_ptr<WaylandConnection> connection);
    // evdev codes, each pressed (true) or released.
    bool sendKeys(std::initializer_list<std::pair<uint32_t, bool>> keys);

    // Objects go before the connection.
    std::unique_ptr<WaylandConnection> connection_;
    WaylandProxy fakeInput_;
};

}  // namespace nabbit
