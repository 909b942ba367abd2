// Pastes once through KWin's fake input, as Nabbit does, from a program of its own: KWin grants
// fake input by the client's executable, which it cannot read for a program of another user
// (the test runs as root, the session as an ordinary user).
//   nabbit-test-fake-input-paste     exit 0 once Ctrl+V went out, 1 (with why) when refused
#include <QCoreApplication>
#include <QTimer>
#include <iostream>

#include "platform/wayland/FakeInputKeySynthesis.h"

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    auto keys = nabbit::FakeInputKeySynthesis::connect();
    if (!keys) {
        std::cerr << keys.error() << "\n";
        return 1;
    }
    if (!(*keys)->sendPaste()) {
        std::cerr << "the compositor went away\n";
        return 1;
    }
    // Long enough for the compositor to read the keys before the connection closes.
    QTimer::singleShot(200, &application, &QCoreApplication::quit);
    return QCoreApplication::exec();
}
