#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/Expected.h"
#include "sources/imessage/PropertyList.h"

namespace nabbit {

// A keyed archive (a property list with "$top" and "$objects", objects referring to each
// other by UID), read without any class of the archiving platform: just enough of the object
// graph to tell the root object's class and to take the text out of an attributed string.
class KeyedArchive {
  public:
    // The archive in `data`, or the reason it is not one.
    static Expected<KeyedArchive, std::string> decode(std::span<const std::uint8_t> data);

    // The root reference points at "$null".
    bool rootIsNull() const;
    // The root object's class name ("$classname" of its "$class"), when it has one.
    std::optional<std::string> rootClassName() const;
    // The root's class is `className` or inherits from it (the "$classes" chain).
    bool rootIsKindOf(std::string_view className) const;
    // The plain text of an attributed-string root: its "NSString" member, stored either as a
    // string object or as a string archive with "NS.string" (or UTF-8 "NS.bytes").
    Expected<std::string, std::string> attributedStringText() const;

  private:
    KeyedArchive(PropertyList list, plist_t objects, plist_t root)
        : list_(std::move(list)), objects_(objects), root_(root) {}

    plist_t resolve(plist_t reference) const;  // the object a UID refers to, or null
    plist_t classOf(plist_t object) const;

    PropertyList list_;
    plist_t objects_;
    plist_t root_;  // the resolved root object
};

}  // namespace nabbit
