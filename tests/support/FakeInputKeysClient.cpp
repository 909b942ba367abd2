// Types through KWin's fake input from a program of its own: KWin grants fake input by the
// client's executable, which it cannot read for a program of another user (the tests run as
// root, the session as an ordinary user).
//   nabbit-test-fake-input-keys 29:1 42:1 ...  these evdev keys, pressed (1) or released (0)
// Exit 0 once the keys went out, 1 (saying why) when the compositor refused.
#include <wayland-client-protocol.h>

#include <QCoreApplication>
#include <QTimer>
#include <iostream>
#include <string>

#include "fake-input-client-protocol.h"
#include "platform/wayland/WaylandConnection.h"

constexpr std::chrono::milliseconds kConnectTimeout{2000};

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    auto connection = nabbit::WaylandConnection::open({}, kConnectTimeout);
    if (!connection) {
        std::cerr << connection.error() << "\n";
        return 1;
    }
    const auto* global = (*connection)->findGlobal(org_kde_kwin_fake_input_interface.name);
    if (global == nullptr) {
        std::cerr << "no fake input offered\n";
        return 1;
    }
    auto* fakeInput = reinterpret_cast<org_kde_kwin_fake_input*>(
        (*connection)->bind(*global, &org_kde_kwin_fake_input_interface, 4));
    org_kde_kwin_fake_input_authenticate(fakeInput, "Nabbit tests", "types test keys");
    for (int i = 1; i < argc; ++i) {
        const std::string key = argv[i];
        const auto colon = key.find(':');
        org_kde_kwin_fake_input_keyboard_key(fakeInput, std::stoul(key.substr(0, colon)),
                                             key.substr(colon + 1) == "1"
                                                 ? WL_KEYBOARD_KEY_STATE_PRESSED
                                                 : WL_KEYBOARD_KEY_STATE_RELEASED);
    }
    (*connection)->flush();
    // Long enough for the compositor to read the keys before the connection closes.
    QTimer::singleShot(200, &application, &QCoreApplication::quit);
    const int status = QCoreApplication::exec();
    wl_proxy_destroy(reinterpret_cast<wl_proxy*>(fakeInput));
    return status;
}
