#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <benchmark/benchmark.h>

#include "sources/CodeEntryList.h"

namespace nabbit::bench {

// A writer in its own process, as the owning program of a database is: for every request it
// runs `writeOne` (which commits one message) and answers with the monotonic time just after
// the commit. CLOCK_MONOTONIC is system-wide, so the times compare across the processes.
class WriterProcess {
  public:
    explicit WriterProcess(std::function<void()> writeOne);
    ~WriterProcess();
    WriterProcess(const WriterProcess&) = delete;
    WriterProcess& operator=(const WriterProcess&) = delete;

    bool requestWrite();
    std::optional<std::int64_t> commitTime();

  private:
    pid_t child_ = -1;
    int request_ = -1;
    int answer_ = -1;
};

std::int64_t monotonicNs();

// Seconds from the writer's commit to the next change of `list`, or nothing when no change
// comes within `timeout`. Runs the Qt event loop meanwhile.
std::optional<double> measureArrival(WriterProcess& writer, const CodeEntryList& list,
                                     std::chrono::milliseconds timeout);

// Runs the event loop for a while: the quiet spell between two arrivals.
void quietSpell(std::chrono::milliseconds duration);

// Median and worst as counters; each also less `expectedWait`, the part that is by design.
void reportLatencies(benchmark::State& state, std::vector<double> seconds, double expectedWait);

}  // namespace nabbit::bench
