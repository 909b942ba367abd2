// From a commit in another process to the code on the X clipboard, through the real nabbit
// program: this benchmark writes a message into the Messages database of a scratch home as the
// owning program does, and waits for the CLIPBOARD selection to change hands (XFixes), then
// checks that it holds the code. The design's part of the wait is the 0.3 s quiet time of the
// database watch; the rest is ours. Reported as the median and the worst of 20 arrivals.
// Needs an X display (make bench provides one with xvfb-run when there is none).
#include <benchmark/benchmark.h>

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QProcess>

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

std::string clipboardText() {
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o")});
    xclip.waitForFinished(5000);
    return xclip.readAllStandardOutput().toStdString();
}

void BM_CommitToClipboard(benchmark::State& state) {
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
    // No restores: each would hand the clipboard over once more.
    nabbit::AppStateManager::shared().setRestoreContentsDelayTime(0);
    const auto database = home / "Library/Messages/chat.db";
    auto writer = ChatDatabaseWriter::open(database.string(), true);
    if (!writer) {
        state.SkipWithError("cannot create the Messages database");
        return;
    }

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
            nabbit::simulate::SimulatedMessage message;
            message.text = "Your verification code is " + code;
            if (!writer->insert(message)) {
                state.SkipWithError("the write failed");
                break;
            }
            const auto committed = bench::monotonicNs();
            const auto changed =
                nextOwnerChange(display.get(), fixesEvent, std::chrono::milliseconds(5000));
            if (!changed) {
                state.SkipWithError("the code never reached the clipboard");
                break;
            }
            seconds.push_back(static_cast<double>(*changed - committed) / 1e9);
            wrong += clipboardText() == code ? 0 : 1;
        }
    }
    nabbit.terminate();
    nabbit.waitForFinished(5000);
    state.counters["wrong_codes"] = wrong;
    bench::reportLatencies(state, seconds, 0.3);
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
}

BENCHMARK(BM_CommitToClipboard)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
