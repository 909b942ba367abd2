#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <iosfwd>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace nabbit::tools {

// Turns input lines into output lines on several threads and writes the results in the order
// the lines came in, each followed by a newline. A long --jsonl run spends nearly all its time
// parsing, one line independently of the next, so this is where the processors help.
//
// The backlog is bounded: add() waits while that many lines are queued or waiting to be
// written, so memory stays flat whatever the input's length. The output is flushed whenever
// no line is left queued, so that a program that writes a line and waits for its result (a
// coprocess) gets it.
class OrderedLineWorkers {
  public:
    using Work = std::function<std::string(const std::string&)>;

    OrderedLineWorkers(Work work, std::ostream& out, unsigned threads);
    // Finishes the lines added so far (as finish() does).
    ~OrderedLineWorkers();
    OrderedLineWorkers(const OrderedLineWorkers&) = delete;
    OrderedLineWorkers& operator=(const OrderedLineWorkers&) = delete;

    void add(std::string line);
    // Waits until every line added has its result written, then stops the threads.
    void finish();

  private:
    void run();
    // Writes the results that are next in order; called with the lock held.
    void writeReady();

    Work work_;
    std::ostream& out_;
    std::size_t backlogLimit_ = 0;

    std::mutex mutex_;
    std::condition_variable workReady_;
    std::condition_variable roomReady_;
    std::deque<std::pair<std::size_t, std::string>> queue_;
    std::map<std::size_t, std::string> done_;
    std::size_t added_ = 0;
    std::size_t written_ = 0;
    bool closing_ = false;
    std::vector<std::thread> threads_;
};

// The number of threads to parse on when none is asked for: one per processor this process
// may run on, at most eight (beyond that the shared compiled patterns, not the processors,
// set the pace).
unsigned defaultWorkerCount();

}  // namespace nabbit::tools
