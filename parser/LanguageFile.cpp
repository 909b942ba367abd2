#include "parser/LanguageFile.h"

#include <algorithm>
#include <array>
#include <string_view>

#include <unicode/uchar.h>
#include <nlohmann/json.hpp>

#include "parser/ResourceLocator.h"
#include "parser/UnicodeText.h"

namespace nabbit {

namespace {

// The members a language file is read for. Reading events instead of building the document
// spares every start the notes and the other members (the files are large).
enum Member { kKeywords, kPatterns, kExclusions, kServices, kMemberCount };

std::optional<Member> memberOf(const std::string& key) {
    constexpr std::string_view kNames[kMemberCount] = {"keywords", "patterns", "exclusions",
                                                       "services"};
    for (int i = 0; i < kMemberCount; ++i) {
        if (key == kNames[i]) {
            return static_cast<Member>(i);
        }
    }
    return std::nullopt;
}

// Collects the string arrays of the top-level object, as a parsed document would hold them: a
// member given twice counts with its last value, and a member that is not an array of strings
// only is marked wrong.
class StringArrays final : public nlohmann::json_sax<nlohmann::json> {
  public:
    struct Found {
        bool present = false;
        bool valid = false;
        std::vector<std::string> strings;
    };

    bool topIsObject = false;
    std::array<Found, kMemberCount> found;

    bool null() override { return scalar(); }
    bool boolean(bool) override { return scalar(); }
    bool number_integer(number_integer_t) override { return scalar(); }
    bool number_unsigned(number_unsigned_t) override { return scalar(); }
    bool number_float(number_float_t, const string_t&) override { return scalar(); }
    bool binary(binary_t&) override { return scalar(); }
    bool string(string_t& value) override {
        if (depth_ == 2 && collecting_) {
            found[*collecting_].strings.push_back(std::move(value));
            return true;
        }
        return scalar();
    }
    bool start_object(std::size_t) override {
        if (depth_ == 0) {
            topIsObject = true;
        }
        return open(false);
    }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(true); }
    bool end_array() override { return close(); }
    bool key(string_t& key) override {
        current_ = depth_ == 1 ? memberOf(key) : std::nullopt;
        if (current_) {
            found[*current_] = Found{true, false, {}};
        }
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

  private:
    bool scalar() {
        if (depth_ == 2 && collecting_) {
            found[*collecting_].valid = false;
        }
        current_.reset();
        return true;
    }
    bool open(bool array) {
        if (depth_ == 1 && current_ && array) {
            collecting_ = current_;
            found[*collecting_].valid = true;
        } else if (depth_ == 2 && collecting_) {
            found[*collecting_].valid = false;
        }
        current_.reset();
        ++depth_;
        return true;
    }
    bool close() {
        if (--depth_ == 1) {
            collecting_.reset();
        }
        current_.reset();
        return true;
    }

    int depth_ = 0;
    std::optional<Member> current_;
    std::optional<Member> collecting_;
};

// Compiled when a text first needs them: most texts need few of a language's patterns, and a
// program that parses one text should not pay for all of them.
std::vector<Regex> deferredAll(const std::vector<std::string>& sources) {
    std::vector<Regex> patterns;
    patterns.reserve(sources.size());
    for (const auto& source : sources) {
        patterns.push_back(Regex::deferred(source, kLanguagePatternOptions));
    }
    return patterns;
}

std::string serviceName(const std::string& written) {
    icu::UnicodeString name = lowerCased(fromUtf8(written));
    int32_t start = 0;
    int32_t end = name.length();
    while (start < end && u_isUWhiteSpace(name.char32At(start))) {
        start = name.moveIndex32(start, 1);
    }
    while (end > start && u_isUWhiteSpace(name.char32At(name.moveIndex32(end, -1)))) {
        end = name.moveIndex32(end, -1);
    }
    return toUtf8(icu::UnicodeString(name, start, end - start));
}

}  // namespace

std::optional<LanguageFile> decodeLanguageFile(std::string_view json) {
    StringArrays read;
    if (!nlohmann::json::sax_parse(json.begin(), json.end(), &read) || !read.topIsObject) {
        return std::nullopt;
    }
    // Keywords and patterns are required; the other two may be left out, but not be wrong.
    for (const Member member : {kKeywords, kPatterns, kExclusions, kServices}) {
        const auto& found = read.found[member];
        const bool required = member == kKeywords || member == kPatterns;
        if ((found.present || required) && !found.valid) {
            return std::nullopt;
        }
    }
    std::vector<std::string>* keywords = &read.found[kKeywords].strings;
    std::vector<std::string>* patterns = &read.found[kPatterns].strings;
    std::vector<std::string>* exclusions = &read.found[kExclusions].strings;
    std::vector<std::string>* services = &read.found[kServices].strings;
    LanguageFile file;
    file.keywords.insert(keywords->begin(), keywords->end());
    file.patterns = deferredAll(*patterns);
    file.exclusions = deferredAll(*exclusions);
    for (const auto& written : *services) {
        auto name = serviceName(written);
        if (!name.empty() &&
            std::find(file.services.begin(), file.services.end(), name) == file.services.end()) {
            file.services.push_back(std::move(name));
        }
    }
    return file;
}

std::optional<LanguageFile> loadLanguageFile(const std::filesystem::path& location) {
    const auto contents = ResourceLocator::readFile(location);
    if (!contents) {
        return std::nullopt;
    }
    return decodeLanguageFile(*contents);
}

}  // namespace nabbit
