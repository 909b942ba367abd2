#include "OrderedLineWorkers.h"

#include <sched.h>

#include <algorithm>
#include <ostream>
#include <utility>

namespace nabbit::tools {

namespace {

// Enough queued lines that no thread waits for the reader, few enough to stay small.
constexpr std::size_t kBacklogPerThread = 256;
constexpr unsigned kMaxDefaultWorkers = 8;

}  // namespace

OrderedLineWorkers::OrderedLineWorkers(Work work, std::ostream& out, unsigned threads)
    : work_(std::move(work)), out_(out) {
    threads = std::max(threads, 1u);
    backlogLimit_ = kBacklogPerThread * threads;
    threads_.reserve(threads);
    for (unsigned i = 0; i < threads; ++i) {
        threads_.emplace_back([this] { run(); });
    }
}

OrderedLineWorkers::~OrderedLineWorkers() {
    finish();
}

void OrderedLineWorkers::add(std::string line) {
    std::unique_lock lock(mutex_);
    roomReady_.wait(lock, [this] { return queue_.size() + done_.size() < backlogLimit_; });
    queue_.emplace_back(added_++, std::move(line));
    workReady_.notify_one();
}

void OrderedLineWorkers::finish() {
    {
        const std::lock_guard lock(mutex_);
        if (closing_ && threads_.empty()) {
            return;
        }
        closing_ = true;
    }
    workReady_.notify_all();
    for (auto& thread : threads_) {
        thread.join();
    }
    threads_.clear();
}

void OrderedLineWorkers::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        workReady_.wait(lock, [this] { return !queue_.empty() || closing_; });
        if (queue_.empty()) {
            return;
        }
        auto [index, line] = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        std::string result = work_(line);
        lock.lock();
        done_.emplace(index, std::move(result));
        writeReady();
    }
}

void OrderedLineWorkers::writeReady() {
    bool wrote = false;
    for (auto it = done_.begin(); it != done_.end() && it->first == written_;
         it = done_.erase(it)) {
        out_ << it->second << '\n';
        ++written_;
        wrote = true;
    }
    if (!wrote) {
        return;
    }
    if (queue_.empty()) {
        out_.flush();
    }
    // The reader is woken once half the backlog is free, not for every line written: a
    // wake-up per line costs as much as reading a few.
    if (queue_.size() + done_.size() <= backlogLimit_ / 2) {
        roomReady_.notify_one();
    }
}

unsigned defaultWorkerCount() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    unsigned processors = 0;
    if (sched_getaffinity(0, sizeof(allowed), &allowed) == 0) {
        processors = static_cast<unsigned>(CPU_COUNT(&allowed));
    }
    if (processors == 0) {
        processors = std::thread::hardware_concurrency();
    }
    return std::clamp(processors, 1u, kMaxDefaultWorkers);
}

}  // namespace nabbit::tools
