#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include <plist/plist.h>

namespace nabbit {

// Owner of a parsed property list (binary or XML). Only data that starts like one of those
// formats is handed to libplist; anything else is refused before parsing.
class PropertyList {
  public:
    static std::optional<PropertyList> parse(std::span<const std::uint8_t> data);

    plist_t root() const { return root_.get(); }

    // Helpers over nodes of this list; every one accepts a null node.
    static std::optional<std::string> stringValue(plist_t node);
    static std::optional<std::uint64_t> uidValue(plist_t node);  // a UID, or {"CF$UID": n}
    static plist_t dictItem(plist_t dict, const char* key);      // null unless dict has key
    static plist_t arrayItem(plist_t array, std::uint64_t index);

  private:
    struct Free {
        void operator()(plist_t node) const { plist_free(node); }
    };
    explicit PropertyList(plist_t root) : root_(root) {}

    std::unique_ptr<void, Free> root_;
};

}  // namespace nabbit
