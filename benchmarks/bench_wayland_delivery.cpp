// The real nabbit program on a headless Wayland desktop (sway, KWin), where it puts codes on
// the clipboard through data-control:
// - CommitToWaylandClipboard: from a message's commit (nabbit-simulate, run as the session's
//   user, has exited) to the moment the code replaced the clipboard, as another Wayland
//   client sees it: this process holds the clipboard beforehand and times its loss. Median and
//   worst of 20 arrivals. The design's part of the wait is the 0.3 s quiet time of the
//   database watch; the rest is ours.
// - IdleOnWaylandRoute: the CPU time nabbit uses in IDLE_SECONDS (default 60) of quiet, and
//   its resident memory, on the Wayland route (targets: 50 ms a minute, 60 MB).
// Starts its own compositor sessions; a compositor that cannot start is reported, not failed.
#include <benchmark/benchmark.h>

#include <time.h>
#include <unistd.h>

#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ArrivalLatency.h"
#include "NabbitInSession.h"
#include "StatusNotifierWatcherStandIn.h"
#include "WaylandSession.h"
#include "platform/wayland/WaylandClipboard.h"

namespace {

namespace bench = nabbit::bench;
using nabbit::test::Compositor;
using nabbit::test::WaylandSession;

// Runs the event loop until `done` holds, checking every millisecond.
template <class Condition>
bool spinUntil(Condition done, int timeoutMs) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done()) {
            loop.quit();
        }
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    check.start(1);
    loop.exec();
    return done();
}

struct Running {
    std::unique_ptr<WaylandSession> session;
    // KWin: a tray, as Plasma's panel provides. Without one Nabbit keeps its window open.
    std::unique_ptr<nabbit::test::StatusNotifierWatcherStandIn> tray;
    std::unique_ptr<nabbit::test::NabbitInSession> nabbit;
};

// A session of `compositor` with nabbit running on it (restores off: each would hand the
// clipboard over once more).
std::optional<Running> startNabbit(benchmark::State& state, Compositor compositor) {
    Running running;
    std::string why;
    running.session = WaylandSession::start(compositor, why);
    if (!running.session) {
        state.SkipWithError((std::string(nameOf(compositor)) + " cannot start: " + why).c_str());
        return std::nullopt;
    }
    if (compositor != Compositor::sway) {
        running.tray = nabbit::test::StatusNotifierWatcherStandIn::registerOn(
            running.session->busAddress(), why);
        if (!running.tray) {
            state.SkipWithError(why.c_str());
            return std::nullopt;
        }
    }
    running.nabbit = std::make_unique<nabbit::test::NabbitInSession>(*running.session, 0);
    if (!running.nabbit->start(why)) {
        state.SkipWithError(why.c_str());
        return std::nullopt;
    }
    return running;
}

void BM_CommitToWaylandClipboard(benchmark::State& state) {
    const auto compositor = static_cast<Compositor>(state.range(0));
    auto running = startNabbit(state, compositor);
    if (!running) {
        return;
    }
    auto clipboard =
        nabbit::WaylandClipboard::connect(running->session->waylandSocket().toStdString());
    if (!clipboard) {
        state.SkipWithError(clipboard.error().c_str());
        return;
    }
    std::vector<double> seconds;
    int wrong = 0;
    for (auto _ : state) {
        for (int i = 0; i < 20; ++i) {
            {
                nabbit::ClipboardContents held;
                held.formats.push_back({"text/plain;charset=utf-8", "held by the benchmark"});
                (*clipboard)->write(held);
            }
            QTest::qWait(1000);  // a quiet spell; the clipboard is ours again
            const std::string code = std::to_string(300000 + i * 7919);
            QProcess simulate;
            running->session->prepare(
                simulate, running->nabbit->simulateProgram(),
                {"message", QString::fromStdString("Your verification code is " + code)});
            simulate.start();
            if (!simulate.waitForFinished(10'000) || simulate.exitCode() != 0) {
                state.SkipWithError("nabbit-simulate failed");
                break;
            }
            const auto committed = bench::monotonicNs();
            if (!spinUntil([&] { return !(*clipboard)->ownsSelection(); }, 5000)) {
                state.SkipWithError("the code never reached the clipboard");
                break;
            }
            seconds.push_back(static_cast<double>(bench::monotonicNs() - committed) / 1e9);
            wrong += running->session->clipboardText() == code ? 0 : 1;
        }
    }
    state.counters["wrong_codes"] = wrong;
    state.SetLabel(nameOf(compositor));
    bench::reportLatencies(state, seconds, 0.3);
}

long cpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long utime = 0;
    long stime = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) {
            utime = std::stol(field);
        } else if (index == 15) {
            stime = std::stol(field);
            break;
        }
    }
    return utime + stime;
}

double residentMegabytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024;
        }
    }
    return 0;
}

void BM_IdleOnWaylandRoute(benchmark::State& state) {
    const auto compositor = static_cast<Compositor>(state.range(0));
    auto running = startNabbit(state, compositor);
    if (!running) {
        return;
    }
    const int idleSeconds = qEnvironmentVariableIsSet("IDLE_SECONDS")
                                ? qEnvironmentVariableIntValue("IDLE_SECONDS")
                                : 60;
    const auto pid = static_cast<pid_t>(running->nabbit->process()->processId());
    for (auto _ : state) {
        QTest::qWait(5000);  // settled
        const long before = cpuTicks(pid);
        QTest::qWait(idleSeconds * 1000);
        const long after = cpuTicks(pid);
        state.counters["idle_seconds"] = idleSeconds;
        state.counters["cpu_ms"] = static_cast<double>(after - before) * 1000.0 /
                                   static_cast<double>(sysconf(_SC_CLK_TCK));
        state.counters["rss_mb"] = residentMegabytes(pid);
    }
    state.SetLabel(nameOf(compositor));
}

BENCHMARK(BM_CommitToWaylandClipboard)
    ->Arg(static_cast<int>(Compositor::sway))
    ->Arg(static_cast<int>(Compositor::kwin))
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdleOnWaylandRoute)
    ->Arg(static_cast<int>(Compositor::sway))
    ->Arg(static_cast<int>(Compositor::kwin))
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
