#include "WaylandEntry.h"

#include <QTest>

namespace nabbit::test {

WaylandEntry::~WaylandEntry() {
    if (process_ != nullptr) {
        process_->terminate();
        process_->waitForFinished(3000);
    }
}

bool WaylandEntry::openFocused(WaylandSession& session, Compositor compositor) {
    // A copy the session's user can read, wherever the checkout lies.
    const auto script =
        session.stage(NABBIT_SOURCE_DIR "/tests/support/wayland_entry.py", "wayland_entry.py");
    process_ = &session.startClient("/usr/bin/python3", {QString::fromStdString(script.string())});
    if (!QTest::qWaitFor([&] { return says("ready\n"); }, 10'000)) {
        return false;
    }
    if (compositor == Compositor::sway) {
        session.run("swaymsg", {"[title=\"^Wayland entry$\"] focus"});
    }
    return QTest::qWaitFor([&] { return says("active 1\n"); }, 5000);
}

bool WaylandEntry::says(const QByteArray& line) {
    log_ += process_->readAllStandardOutput();
    return log_.contains(line);
}

}  // namespace nabbit::test
