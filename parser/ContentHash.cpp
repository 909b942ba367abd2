#include "parser/ContentHash.h"

#include <cstring>

namespace nabbit {

std::uint64_t contentHash(std::string_view bytes) {
    // Eight bytes a step, each mixed by a multiply and a shift; the length is mixed in last.
    constexpr std::uint64_t kMultiplier = 0x9e3779b97f4a7c15ULL;
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes.data() + i, 8);
        hash = (hash ^ word) * kMultiplier;
        hash ^= hash >> 29;
    }
    std::uint64_t tail = 0;
    for (std::size_t shift = 0; i < bytes.size(); ++i, shift += 8) {
        tail |= std::uint64_t{static_cast<unsigned char>(bytes[i])} << shift;
    }
    hash = (hash ^ tail ^ (std::uint64_t{bytes.size()} << 56)) * kMultiplier;
    hash ^= hash >> 32;
    hash *= 0xd6e8feb86659fd93ULL;
    return hash ^ (hash >> 32);
}

}  // namespace nabbit
