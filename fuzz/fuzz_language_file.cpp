// Arbitrary bytes as a language file (exclusions and service names included) and as a
// custom-patterns file, through the decoders and through the file loaders, then a few texts
// parsed with whatever loaded. The prefilter must never pass over a pattern that matches.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "parser/CustomPatternsFile.h"
#include "parser/LanguageFile.h"
#include "parser/PatternPrefilter.h"
#include "parser/SimpleOTPParser.h"
#include "parser/UnicodeText.h"

namespace {

using namespace nabbit;

// Larger inputs only add patterns; every pattern that backtracks badly costs its whole match
// budget per text, so the number of patterns run is capped to keep each input well inside the
// fuzzer's time-out.
constexpr std::size_t kMaxInput = 2048;
constexpr std::size_t kMaxPatternsRun = 8;

// Short texts: a pathological pattern hits its budget on them as surely as on long ones.
const std::vector<std::string_view> kTexts{
    "Your verification code is 482913",
    "ref AB-12-CD, code 123 456 at https://x.example/c/999999",
    "【验证码12345】aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa!",
    "Acme Bank: booking ref 4821, your code 7712 (Zorg)",
    "",
};

class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "nabbit-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

void write(const std::filesystem::path& path, std::string_view contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
}

template <class T>
std::vector<T> firstFew(std::vector<T> items) {
    if (items.size() > kMaxPatternsRun) {
        items.erase(items.begin() + kMaxPatternsRun, items.end());
    }
    return items;
}

void parseAll(const SimpleOTPParser& parser) {
    for (std::string_view text : kTexts) {
        const auto result = parser.parse(text);
        if (result && (result->code.empty() || (result->service && result->service->empty()))) {
            std::abort();
        }
    }
}

void checkPrefilter(const std::vector<Regex>& patterns) {
    std::vector<const Regex*> pointers;
    for (const auto& pattern : patterns) {
        pointers.push_back(&pattern);
    }
    const PatternPrefilter filter(pointers);
    for (std::string_view text : kTexts) {
        const icu::UnicodeString utf16 = fromUtf8(text);
        const auto found = filter.scan(utf16);
        for (std::size_t i = 0; i < patterns.size(); ++i) {
            auto scanner = patterns[i].scan(utf16);
            if (scanner.next() && !filter.mayMatch(i, found)) {
                std::abort();
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size > kMaxInput) {
        return 0;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    auto language = decodeLanguageFile(bytes);
    auto custom = decodeCustomPatternsFile(bytes);
    if (!language && !custom) {
        return 0;
    }
    const std::size_t patternCount = (language ? language->patterns.size() : 0) +
                                     (language ? language->exclusions.size() : 0) +
                                     (custom ? custom->size() : 0);
    LanguageFile few;
    if (language) {
        few.keywords = language->keywords;
        few.patterns = firstFew(language->patterns);
        few.exclusions = firstFew(language->exclusions);
        few.services = language->services;
        checkPrefilter(few.patterns);
        checkPrefilter(few.exclusions);
    }
    parseAll(
        SimpleOTPParser(std::move(few), custom ? firstFew(*custom) : std::vector<CustomPattern>{}));

    // The same bytes through the file lookup and loaders, when few enough patterns to run.
    if (patternCount <= kMaxPatternsRun) {
        static const ScratchFolder folder;
        write(folder.path() / "en.json", bytes);
        write(folder.path() / "custom-patterns.json", bytes);
        const SimpleOTPParser fromFiles(ResourceLocator::forDirectory(folder.path()));
        if (fromFiles.languagePatterns().size() != (language ? language->patterns.size() : 0) ||
            fromFiles.exclusionPatterns().size() != (language ? language->exclusions.size() : 0) ||
            fromFiles.customPatterns().size() != (custom ? custom->size() : 0)) {
            std::abort();
        }
        parseAll(fromFiles);
    }
    return 0;
}
