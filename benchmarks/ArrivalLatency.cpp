#include "ArrivalLatency.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include <QEventLoop>
#include <QTimer>

namespace nabbit::bench {

std::int64_t monotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

WriterProcess::WriterProcess(std::function<void()> writeOne) {
    int request[2];
    int answer[2];
    if (::pipe(request) != 0 || ::pipe(answer) != 0) {
        return;
    }
    child_ = ::fork();
    if (child_ == 0) {
        ::close(request[1]);
        ::close(answer[0]);
        char byte = 0;
        while (::read(request[0], &byte, 1) == 1) {
            writeOne();
            const auto committed = monotonicNs();
            if (::write(answer[1], &committed, sizeof committed) != sizeof committed) {
                break;
            }
        }
        std::_Exit(0);
    }
    ::close(request[0]);
    ::close(answer[1]);
    request_ = request[1];
    answer_ = answer[0];
}

WriterProcess::~WriterProcess() {
    if (request_ >= 0) {
        ::close(request_);
    }
    if (answer_ >= 0) {
        ::close(answer_);
    }
    if (child_ > 0) {
        ::waitpid(child_, nullptr, 0);
    }
}

bool WriterProcess::requestWrite() {
    const char byte = 1;
    return request_ >= 0 && ::write(request_, &byte, 1) == 1;
}

std::optional<std::int64_t> WriterProcess::commitTime() {
    std::int64_t committed = 0;
    if (::read(answer_, &committed, sizeof committed) != sizeof committed) {
        return std::nullopt;
    }
    return committed;
}

std::optional<double> measureArrival(WriterProcess& writer, const CodeEntryList& list,
                                     std::chrono::milliseconds timeout) {
    QEventLoop loop;
    std::int64_t published = 0;
    auto connection = QObject::connect(&list, &CodeEntryList::changed, &loop, [&] {
        published = monotonicNs();
        loop.quit();
    });
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    if (!writer.requestWrite()) {
        return std::nullopt;
    }
    loop.exec();
    QObject::disconnect(connection);
    const auto committed = writer.commitTime();
    if (!committed || published == 0) {
        return std::nullopt;
    }
    return static_cast<double>(published - *committed) / 1e9;
}

void quietSpell(std::chrono::milliseconds duration) {
    QEventLoop pause;
    QTimer::singleShot(duration, &pause, &QEventLoop::quit);
    pause.exec();
}

void reportLatencies(benchmark::State& state, std::vector<double> seconds, double expectedWait) {
    if (seconds.empty()) {
        return;
    }
    std::sort(seconds.begin(), seconds.end());
    const double median = seconds[seconds.size() / 2];
    const double worst = seconds.back();
    state.counters["median_ms"] = median * 1000;
    state.counters["worst_ms"] = worst * 1000;
    state.counters["median_beyond_wait_ms"] = (median - expectedWait) * 1000;
    state.counters["worst_beyond_wait_ms"] = (worst - expectedWait) * 1000;
}

}  // namespace nabbit::bench
