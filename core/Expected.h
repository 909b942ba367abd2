#pragma once

#include <type_traits>
#include <utility>
#include <variant>

namespace nabbit {

// The error side of an Expected, so that a function can `return Unexpected{error};`.
template <class E>
struct Unexpected {
    E error;
};
template <class E>
Unexpected(E) -> Unexpected<E>;

// A value or an error, as C++23's std::expected, for the few operations that can fail
// (opening a database, preparing a statement). Errors are values: nothing here throws.
template <class T, class E>
class Expected {
  public:
    Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Expected(Unexpected<E> unexpected)
        : state_(std::in_place_index<1>, std::move(unexpected.error)) {}

    bool has_value() const { return state_.index() == 0; }
    explicit operator bool() const { return has_value(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }

    E& error() & { return std::get<1>(state_); }
    const E& error() const& { return std::get<1>(state_); }
    E&& error() && { return std::get<1>(std::move(state_)); }

    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::move(*this).value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

  private:
    std::variant<T, E> state_;
};

}  // namespace nabbit
