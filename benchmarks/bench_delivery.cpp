// From a message's arrival to the code on the X clipboard, through the real nabbit program,
// waiting for the CLIPBOARD selection to change hands (XFixes) and then checking that it holds
// the code. Reported as the median and the worst of 20 arrivals.
// - CommitToClipboard writes a message into the Messages database of a scratch home as the
//   owning program does. The design's part of the wait is the 0.3 s quiet time of the database
//   watch; the rest is ours.
// - NotificationToClipboard sends a desktop notification as KDE Connect does, on a machine
//   without a Messages database; nothing of that wait is by design.
// Needs an X display and a session bus (make bench provides both when there are none).
#include <benchmark/benchmark.h>

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QVariantMap>

#include "ArrivalLatency.h"
#include "ScratchHomes.h"
#include "core/AppStateManager.h"
#include "tools/nabbit-simulate/ChatDatabaseWriter.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

namespace {

namespace bench = nabbit::bench;
using nabbit::simulate::ChatDatabaseWriter;

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

std::filesystem::path programDirectory() {
    return std::filesystem::canonical("/proc/self/exe").parent_path();
}

// Waits for the next change of the CLIPBOARD owner; the monotonic time it was seen.
std::optional<std::int64_t> nextOwnerChange(Display* display, int fixesEvent,
                                            std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == fixesEvent + XFixesSelectionNotify) {
                return bench::monotonicNs();
            }
        }
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        ::poll(&fd, 1, 5);
    }
    return std::nullopt;
}

// The Messages database the running benchmark writes to, if any.
ChatDatabaseWriter* currentWriter = nullptr;

std::string clipboardText() {
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o")});
    xclip.waitForFinished(5000);
    return xclip.readAllStandardOutput().toStdString();
}

// Runs the real nabbit in a scratch home and measures 20 arrivals: `arrive(code)` makes a
// message carrying `code` arrive and returns false when it could not.
void measureArrivals(benchmark::State& state, bool messagesDatabase, double expectedWait,
                     const std::function<bool(const std::string& code)>& arrive) {
    std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
    int fixesEvent = 0;
    int fixesError = 0;
    if (!display || XFixesQueryExtension(display.get(), &fixesEvent, &fixesError) == 0) {
        state.SkipWithError("no X display with XFixes (run under xvfb-run)");
        return;
    }
    bench::ScratchHomes homes("nabbit-bench-delivery-", {});
    const auto home = homes.make("home");
    ::setenv("HOME", home.c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    const auto& preferences = nabbit::AppStateManager::shared();
    // No restores: each would hand the clipboard over once more.
    preferences.setRestoreContentsDelayTime(0);
    preferences.setHasSetup(true);
    std::optional<ChatDatabaseWriter> writer;
    if (messagesDatabase) {
        auto opened = ChatDatabaseWriter::open((home / "Library/Messages/chat.db").string(), true);
        if (!opened) {
            state.SkipWithError("cannot create the Messages database");
            return;
        }
        writer.emplace(std::move(opened).value());
    }
    currentWriter = writer ? &*writer : nullptr;

    QProcess nabbit;
    nabbit.setProgram(QString::fromStdString((programDirectory() / "nabbit").string()));
    nabbit.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    nabbit.start();
    QByteArray started;
    while (!started.contains("App Launched") && nabbit.waitForReadyRead(10'000)) {
        started += nabbit.readAllStandardError();
    }
    XFixesSelectSelectionInput(display.get(), DefaultRootWindow(display.get()),
                               XInternAtom(display.get(), "CLIPBOARD", False),
                               XFixesSetSelectionOwnerNotifyMask);
    XSync(display.get(), False);

    std::vector<double> seconds;
    int wrong = 0;
    for (auto _ : state) {
        for (int i = 0; i < 20; ++i) {
            std::this_thread::sleep_for(std::chrono::seconds(1));  // a quiet spell
            while (XPending(display.get()) > 0) {
                XEvent stale;
                XNextEvent(display.get(), &stale);
            }
            const std::string code = std::to_string(300000 + i * 7919);
            const auto sent = bench::monotonicNs();
            if (!arrive(code)) {
                state.SkipWithError("the message could not be sent");
                break;
            }
            const auto changed =
                nextOwnerChange(display.get(), fixesEvent, std::chrono::milliseconds(5000));
            if (!changed) {
                state.SkipWithError("the code never reached the clipboard");
                break;
            }
            seconds.push_back(static_cast<double>(*changed - sent) / 1e9);
            wrong += clipboardText() == code ? 0 : 1;
        }
    }
    nabbit.terminate();
    nabbit.waitForFinished(5000);
    currentWriter = nullptr;
    state.counters["wrong_codes"] = wrong;
    bench::reportLatencies(state, seconds, expectedWait);
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
}

void BM_CommitToClipboard(benchmark::State& state) {
    measureArrivals(state, true, 0.3, [](const std::string& code) {
        nabbit::simulate::SimulatedMessage message;
        message.text = "Your verification code is " + code;
        return currentWriter != nullptr && currentWriter->insert(message).has_value();
    });
}

// An SMS mirrored from a phone, as KDE Connect announces it. Sent without waiting for an
// answer: there may be no notification service on the bench's bus, and Nabbit reads the call
// on its way to one.
void BM_NotificationToClipboard(benchmark::State& state) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        state.SkipWithError("no session bus (run under dbus-run-session)");
        return;
    }
    measureArrivals(state, false, 0.0, [&bus](const std::string& code) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.Notifications"),
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
        call << QStringLiteral("KDE Connect") << 0U << QStringLiteral("kdeconnect")
             << QStringLiteral("+1 555 0100")
             << QString::fromStdString("Your Acme verification code is " + code) << QStringList()
             << QVariantMap() << -1;
        call.setAutoStartService(false);
        return bus.send(call);
    });
}

BENCHMARK(BM_CommitToClipboard)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NotificationToClipboard)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
