// Arbitrary bytes as an index of decoded language files: reading it, looking a file up in it
// and reading out every entry must neither crash nor allocate beyond what the bytes hold.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "parser/LanguageFileIndex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace nabbit;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto index = LanguageFileIndex::fromBytes(bytes);
    if (!index) {
        return 0;
    }
    for (std::size_t i = 0; i < index->size(); ++i) {
        if (const auto file = index->entry(i)) {
            for (const auto& pattern : file->patterns) {
                (void)pattern.requiredText();
            }
        }
    }
    for (const auto& pattern : index->builtInPatterns()) {
        (void)pattern.requiredText();
    }
    (void)index->find(R"json({"keywords":["code"],"patterns":["(\\d{6})"]})json");
    return 0;
}
