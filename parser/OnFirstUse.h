#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>

namespace nabbit {

// A value made on its first use, once, whichever thread asks first; later uses read it
// without a lock. For parts of the parser that a program may never need.
template <class T>
class OnFirstUse {
  public:
    explicit OnFirstUse(std::function<T()> make) : make_(std::move(make)) {}
    OnFirstUse(const OnFirstUse&) = delete;
    OnFirstUse& operator=(const OnFirstUse&) = delete;

    const T& get() const {
        // Once made, reading needs no call_once (a hot path: prefilters ask per pattern).
        if (made_.load(std::memory_order_acquire)) {
            return *value_;
        }
        std::call_once(once_, [this] {
            value_.emplace(make_());
            make_ = nullptr;
            made_.store(true, std::memory_order_release);
        });
        return *value_;
    }

    // Whether get() has made the value yet.
    bool isMade() const { return made_.load(std::memory_order_acquire); }

  private:
    mutable std::once_flag once_;
    mutable std::atomic<bool> made_{false};
    mutable std::function<T()> make_;
    mutable std::optional<T> value_;
};

}  // namespace nabbit
