// Arbitrary bytes as a message's rich body: the text extraction must end without a crash,
// leak or undefined behaviour, whatever the keyed archive, property list or typedstream holds.
// Seeds: the real bodies of the shared fixtures (scripts/run-fuzzers.sh passes them).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "sources/imessage/AttributedBodyText.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A home of its own: the debug-log preference is absent there (logging off), and nothing
    // reaches the real home.
    std::string home =
        (std::filesystem::temp_directory_path() / "nabbit-fuzz-home-XXXXXX").string();
    if (::mkdtemp(home.data()) != nullptr) {
        ::setenv("HOME", home.c_str(), 1);
        ::unsetenv("XDG_CONFIG_HOME");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)nabbit::extractTextFromAttributedBody(std::vector<std::uint8_t>(data, data + size));
    return 0;
}
