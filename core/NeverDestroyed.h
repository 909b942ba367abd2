#pragma once

#include <utility>

namespace nabbit {

// Holds a T that is constructed in place and never destroyed, for process-wide objects that
// code running during exit (static destructors, other threads) may still reach.
template <class T>
class NeverDestroyed {
  public:
    template <class... Args>
    explicit NeverDestroyed(Args&&... args) : value_(std::forward<Args>(args)...) {}
    ~NeverDestroyed() {}
    NeverDestroyed(const NeverDestroyed&) = delete;
    NeverDestroyed& operator=(const NeverDestroyed&) = delete;

    T& get() { return value_; }

  private:
    union {
        T value_;
    };
};

}  // namespace nabbit
