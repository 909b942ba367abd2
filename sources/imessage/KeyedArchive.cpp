#include "sources/imessage/KeyedArchive.h"

namespace nabbit {

namespace {

constexpr std::string_view kNull = "$null";

bool isNullObject(plist_t object) {
    const auto text = PropertyList::stringValue(object);
    return text && *text == kNull;
}

}  // namespace

Expected<KeyedArchive, std::string> KeyedArchive::decode(std::span<const std::uint8_t> data) {
    auto list = PropertyList::parse(data);
    if (!list) {
        return Unexpected{std::string("the data is not a property list")};
    }
    plist_t root = list->root();
    if (plist_get_node_type(root) != PLIST_DICT) {
        return Unexpected{std::string("the property list is not a keyed archive (no dictionary)")};
    }
    plist_t objects = PropertyList::dictItem(root, "$objects");
    plist_t top = PropertyList::dictItem(root, "$top");
    if (objects == nullptr || plist_get_node_type(objects) != PLIST_ARRAY || top == nullptr ||
        plist_get_node_type(top) != PLIST_DICT) {
        return Unexpected{
            std::string("the property list is not a keyed archive (no $top or $objects)")};
    }
    const auto rootUid = PropertyList::uidValue(PropertyList::dictItem(top, "root"));
    if (!rootUid) {
        return Unexpected{std::string("the keyed archive has no root object")};
    }
    plist_t rootObject = PropertyList::arrayItem(objects, *rootUid);
    if (rootObject == nullptr) {
        return Unexpected{std::string("the keyed archive's root refers past its objects")};
    }
    return KeyedArchive(std::move(*list), objects, rootObject);
}

plist_t KeyedArchive::resolve(plist_t reference) const {
    const auto uid = PropertyList::uidValue(reference);
    return uid ? PropertyList::arrayItem(objects_, *uid) : nullptr;
}

plist_t KeyedArchive::classOf(plist_t object) const {
    return resolve(PropertyList::dictItem(object, "$class"));
}

bool KeyedArchive::rootIsNull() const {
    return isNullObject(root_);
}

std::optional<std::string> KeyedArchive::rootClassName() const {
    return PropertyList::stringValue(PropertyList::dictItem(classOf(root_), "$classname"));
}

bool KeyedArchive::rootIsKindOf(std::string_view className) const {
    plist_t cls = classOf(root_);
    if (cls == nullptr) {
        return false;
    }
    if (auto name = PropertyList::stringValue(PropertyList::dictItem(cls, "$classname"));
        name && *name == className) {
        return true;
    }
    plist_t chain = PropertyList::dictItem(cls, "$classes");
    if (chain == nullptr || plist_get_node_type(chain) != PLIST_ARRAY) {
        return false;
    }
    const auto count = plist_array_get_size(chain);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (auto name = PropertyList::stringValue(plist_array_get_item(chain, i));
            name && *name == className) {
            return true;
        }
    }
    return false;
}

Expected<std::string, std::string> KeyedArchive::attributedStringText() const {
    plist_t string = resolve(PropertyList::dictItem(root_, "NSString"));
    if (string == nullptr || isNullObject(string)) {
        return Unexpected{std::string("the attributed string has no NSString")};
    }
    if (auto text = PropertyList::stringValue(string)) {
        return *text;
    }
    if (auto text = PropertyList::stringValue(PropertyList::dictItem(string, "NS.string"))) {
        return *text;
    }
    plist_t bytes = PropertyList::dictItem(string, "NS.bytes");
    if (bytes != nullptr && plist_get_node_type(bytes) == PLIST_DATA) {
        std::uint64_t length = 0;
        const char* data = plist_get_data_ptr(bytes, &length);
        return data == nullptr ? std::string()
                               : std::string(data, static_cast<std::size_t>(length));
    }
    return Unexpected{std::string("the attributed string's NSString is not a string")};
}

}  // namespace nabbit
