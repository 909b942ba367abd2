#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace nabbit {

template <class T>
concept LogInteger =
    std::integral<T> && !std::same_as<std::remove_cv_t<T>, bool> &&
    !std::same_as<std::remove_cv_t<T>, char> && !std::same_as<std::remove_cv_t<T>, char8_t> &&
    !std::same_as<std::remove_cv_t<T>, char16_t> && !std::same_as<std::remove_cv_t<T>, char32_t> &&
    !std::same_as<std::remove_cv_t<T>, wchar_t>;

// One value of a debug-log entry's details: a text, an integer of any width or sign, or a
// list of texts. Rendered for people: texts quoted and escaped, integers in decimal, lists in
// square brackets.
class LogValue {
  public:
    LogValue(std::string text) : value_(std::move(text)) {}
    LogValue(std::string_view text) : value_(std::string(text)) {}
    LogValue(const char* text) : value_(std::string(text != nullptr ? text : "")) {}
    LogValue(std::vector<std::string> texts) : value_(std::move(texts)) {}

    template <LogInteger T>
    LogValue(T number) {
        if constexpr (std::is_signed_v<T>) {
            value_ = static_cast<std::int64_t>(number);
        } else {
            value_ = static_cast<std::uint64_t>(number);
        }
    }

    std::string render() const;

    bool operator==(const LogValue&) const = default;

  private:
    std::variant<std::string, std::int64_t, std::uint64_t, std::vector<std::string>> value_;
};

using LogDetails = std::vector<std::pair<std::string, LogValue>>;

// "[" + entries joined by ", " + "]", each entry "\"key\": value"; "[:]" when empty.
std::string renderLogDetails(const LogDetails& details);

}  // namespace nabbit
