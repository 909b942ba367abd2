#include "sources/imessage/PropertyList.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace nabbit {

namespace {

bool looksBinary(std::span<const std::uint8_t> data) {
    static constexpr char magic[] = "bplist00";
    return data.size() >= 8 && std::memcmp(data.data(), magic, 8) == 0;
}

bool looksXml(std::span<const std::uint8_t> data) {
    std::size_t i = 0;
    if (data.size() >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        i = 3;  // UTF-8 byte order mark
    }
    while (i < data.size() &&
           (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n')) {
        ++i;
    }
    return i < data.size() && data[i] == '<';
}

}  // namespace

std::optional<PropertyList> PropertyList::parse(std::span<const std::uint8_t> data) {
    if (data.empty() || data.size() > std::numeric_limits<std::uint32_t>::max()) {
        return std::nullopt;
    }
    plist_t root = nullptr;
    const auto* bytes = reinterpret_cast<const char*>(data.data());
    const auto length = static_cast<std::uint32_t>(data.size());
    if (looksBinary(data)) {
        plist_from_bin(bytes, length, &root);
    } else if (looksXml(data)) {
        plist_from_xml(bytes, length, &root);
    }
    if (root == nullptr) {
        return std::nullopt;
    }
    return PropertyList(root);
}

std::optional<std::string> PropertyList::stringValue(plist_t node) {
    if (node == nullptr || plist_get_node_type(node) != PLIST_STRING) {
        return std::nullopt;
    }
    std::uint64_t length = 0;
    const char* value = plist_get_string_ptr(node, &length);
    if (value == nullptr) {
        return std::string();
    }
    return std::string(value, static_cast<std::size_t>(length));
}

std::optional<std::uint64_t> PropertyList::uidValue(plist_t node) {
    if (node == nullptr) {
        return std::nullopt;
    }
    if (plist_get_node_type(node) == PLIST_UID) {
        std::uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return value;
    }
    // XML archives may spell a UID as a one-entry dictionary.
    if (plist_get_node_type(node) == PLIST_DICT && plist_dict_get_size(node) == 1) {
        plist_t inner = plist_dict_get_item(node, "CF$UID");
        if (inner != nullptr && plist_get_node_type(inner) == PLIST_UINT) {
            std::uint64_t value = 0;
            plist_get_uint_val(inner, &value);
            return value;
        }
    }
    return std::nullopt;
}

plist_t PropertyList::dictItem(plist_t dict, const char* key) {
    if (dict == nullptr || plist_get_node_type(dict) != PLIST_DICT) {
        return nullptr;
    }
    return plist_dict_get_item(dict, key);
}

plist_t PropertyList::arrayItem(plist_t array, std::uint64_t index) {
    if (array == nullptr || plist_get_node_type(array) != PLIST_ARRAY ||
        index >= plist_array_get_size(array)) {
        return nullptr;
    }
    return plist_array_get_item(array, static_cast<std::uint32_t>(index));
}

}  // namespace nabbit
