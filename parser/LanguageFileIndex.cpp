#include "parser/LanguageFileIndex.h"

#include <cstring>
#include <limits>
#include <utility>

namespace nabbit {

namespace {

constexpr std::string_view kMagic = "NABBITLX";
// Raised whenever the layout, the decoding of language files or the reading of required text
// changes: an index of another version is ignored, never misread.
constexpr std::uint32_t kVersion = 2;
constexpr std::uint32_t kCaseInsensitive = 1;
constexpr std::uint32_t kBounded = 2;

// Little-endian fields, written and read whatever the machine.
class Writer {
  public:
    void u32(std::uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8) {
            out.push_back(static_cast<char>((value >> shift) & 0xff));
        }
    }
    void u64(std::uint64_t value) {
        u32(static_cast<std::uint32_t>(value));
        u32(static_cast<std::uint32_t>(value >> 32));
    }
    void bytes(std::string_view text) {
        u32(static_cast<std::uint32_t>(text.size()));
        out.append(text);
    }
    void units(const std::u16string& text) {
        u32(static_cast<std::uint32_t>(text.size()));
        for (const char16_t unit : text) {
            out.push_back(static_cast<char>(unit & 0xff));
            out.push_back(static_cast<char>(unit >> 8));
        }
    }
    template <class Strings>
    void strings(const Strings& list) {
        u32(static_cast<std::uint32_t>(list.size()));
        for (const auto& text : list) {
            bytes(text);
        }
    }
    void required(const RequiredText& text) {
        u32(static_cast<std::uint32_t>(text.clauses.size()));
        for (const auto& clause : text.clauses) {
            u32(static_cast<std::uint32_t>(clause.size()));
            for (const auto& string : clause) {
                units(string);
            }
        }
    }

    std::string out;
};

// Every read checks the bytes left; after one fails the reader stays failed.
class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    bool ok() const { return ok_; }
    bool atEnd() const { return ok_ && at_ == bytes_.size(); }
    std::size_t at() const { return at_; }

    std::uint32_t u32() {
        if (!need(4)) {
            return 0;
        }
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) {
            value = (value << 8) |
                    static_cast<unsigned char>(bytes_[at_ + static_cast<std::size_t>(i)]);
        }
        at_ += 4;
        return value;
    }
    std::uint64_t u64() {
        const std::uint64_t low = u32();
        return low | (std::uint64_t{u32()} << 32);
    }
    std::string_view bytes() {
        const std::uint32_t size = u32();
        if (!need(size)) {
            return {};
        }
        const std::string_view text = bytes_.substr(at_, size);
        at_ += size;
        return text;
    }
    std::u16string units() {
        const std::uint32_t size = u32();
        if (!need(2 * std::size_t{size})) {
            return {};
        }
        std::u16string text(size, u'\0');
        for (std::size_t i = 0; i < size; ++i) {
            text[i] =
                static_cast<char16_t>(static_cast<unsigned char>(bytes_[at_ + 2 * i]) |
                                      (static_cast<unsigned char>(bytes_[at_ + 2 * i + 1]) << 8));
        }
        at_ += 2 * std::size_t{size};
        return text;
    }
    // A count of items of at least four bytes each: larger than the bytes left can hold is
    // damage (and must not size a container).
    std::uint32_t count() {
        const std::uint32_t n = u32();
        if (ok_ && n > (bytes_.size() - at_) / 4) {
            ok_ = false;
            return 0;
        }
        return n;
    }
    template <typename String = std::string>
    std::vector<String> strings() {
        std::vector<String> list;
        const std::uint32_t n = count();
        list.reserve(n);
        for (std::uint32_t i = 0; i < n && ok_; ++i) {
            list.emplace_back(bytes());
        }
        return list;
    }
    RequiredText required() {
        RequiredText text;
        const std::uint32_t clauses = count();
        text.clauses.resize(clauses);
        for (auto& clause : text.clauses) {
            const std::uint32_t strings = count();
            clause.reserve(strings);
            for (std::uint32_t i = 0; i < strings && ok_; ++i) {
                clause.push_back(units());
            }
        }
        return text;
    }

  private:
    bool need(std::size_t size) {
        if (!ok_ || size > bytes_.size() - at_) {
            ok_ = false;
            return false;
        }
        return true;
    }

    std::string_view bytes_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

std::vector<Regex> withRequiredText(const std::vector<std::string_view>& sources, Reader& in) {
    std::vector<Regex> patterns;
    patterns.reserve(sources.size());
    for (const auto& source : sources) {
        RequiredText text = in.required();
        if (!in.ok()) {
            break;
        }
        patterns.push_back(Regex::deferred(source, kLanguagePatternOptions, std::move(text)));
    }
    return patterns;
}

}  // namespace

std::optional<LanguageFileIndex> LanguageFileIndex::load(const std::filesystem::path& location) {
    auto mapped = MappedFile::open(location);
    if (!mapped) {
        return std::nullopt;
    }
    LanguageFileIndex index;
    index.mapped_ = *std::move(mapped);
    return read(std::move(index));
}

std::optional<LanguageFileIndex> LanguageFileIndex::fromBytes(std::string bytes) {
    LanguageFileIndex index;
    index.owned_ = std::move(bytes);
    return read(std::move(index));
}

std::optional<LanguageFileIndex> LanguageFileIndex::read(LanguageFileIndex index) {
    const std::string_view all = index.bytes();
    if (!all.starts_with(kMagic)) {
        return std::nullopt;
    }
    Reader in(all.substr(kMagic.size()));
    if (in.u32() != kVersion) {
        return std::nullopt;
    }
    std::vector<Entry> entries;
    const std::uint32_t count = in.count();
    for (std::uint32_t i = 0; i < count && in.ok(); ++i) {
        Entry entry;
        entry.length = in.u64();
        entry.hash = in.u64();
        const std::string_view body = in.bytes();
        entry.begin = static_cast<std::size_t>(body.data() - all.data());
        entry.end = entry.begin + body.size();
        entries.push_back(entry);
    }
    // The built-in patterns follow, read out on demand.
    index.builtInsBegin_ = kMagic.size() + in.at();
    if (!in.ok() || index.builtIns(nullptr) < 0) {
        return std::nullopt;
    }
    // Entries hold offsets, which moving the bytes keeps.
    index.entries_ = std::move(entries);
    return index;
}

std::vector<Regex> LanguageFileIndex::builtInPatterns() const {
    std::vector<Regex> patterns;
    builtIns(&patterns);
    return patterns;
}

long LanguageFileIndex::builtIns(std::vector<Regex>* out) const {
    Reader in(bytes().substr(builtInsBegin_));
    const std::uint32_t count = in.count();
    for (std::uint32_t i = 0; i < count && in.ok(); ++i) {
        const std::uint32_t flags = in.u32();
        const std::string_view source = in.bytes();
        RequiredText text = in.required();
        if (out != nullptr && in.ok()) {
            out->push_back(
                Regex::deferred(source,
                                RegexOptions{.caseInsensitive = (flags & kCaseInsensitive) != 0,
                                             .bounded = (flags & kBounded) != 0},
                                std::move(text)));
        }
    }
    return in.atEnd() ? static_cast<long>(count) : -1;
}

std::optional<LanguageFile> LanguageFileIndex::find(std::string_view contents) const {
    const std::uint64_t hash = contentHash(contents);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].length == contents.size() && entries_[i].hash == hash) {
            return entry(i);
        }
    }
    return std::nullopt;
}

std::optional<LanguageFile> LanguageFileIndex::entry(std::size_t i) const {
    if (i >= entries_.size()) {
        return std::nullopt;
    }
    const Entry& at = entries_[i];
    Reader in(bytes().substr(at.begin, at.end - at.begin));
    LanguageFile file;
    for (auto& keyword : in.strings()) {
        file.keywords.insert(file.keywords.end(), std::move(keyword));
    }
    // Sources are copied once, by the shared pattern table.
    const auto patterns = in.strings<std::string_view>();
    const auto exclusions = in.strings<std::string_view>();
    file.services = in.strings();
    file.patterns = withRequiredText(patterns, in);
    file.exclusions = withRequiredText(exclusions, in);
    if (!in.atEnd()) {
        return std::nullopt;
    }
    return file;
}

std::string LanguageFileIndex::write(const std::vector<std::string>& contents,
                                     const std::vector<Regex>& builtIns) {
    std::vector<std::string> bodies;
    std::vector<const std::string*> sources;
    for (const auto& json : contents) {
        const auto file = decodeLanguageFile(json);
        if (!file) {
            continue;
        }
        Writer body;
        body.strings(file->keywords);
        std::vector<std::string> patterns;
        for (const auto& pattern : file->patterns) {
            patterns.push_back(pattern.source());
        }
        std::vector<std::string> exclusions;
        for (const auto& pattern : file->exclusions) {
            exclusions.push_back(pattern.source());
        }
        body.strings(patterns);
        body.strings(exclusions);
        body.strings(file->services);
        for (const auto& pattern : file->patterns) {
            body.required(pattern.requiredText());
        }
        for (const auto& pattern : file->exclusions) {
            body.required(pattern.requiredText());
        }
        bodies.push_back(std::move(body.out));
        sources.push_back(&json);
    }
    Writer out;
    out.out.append(kMagic);
    out.u32(kVersion);
    out.u32(static_cast<std::uint32_t>(bodies.size()));
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        out.u64(sources[i]->size());
        out.u64(contentHash(*sources[i]));
        out.bytes(bodies[i]);
    }
    out.u32(static_cast<std::uint32_t>(builtIns.size()));
    for (const auto& pattern : builtIns) {
        out.u32((pattern.options().caseInsensitive ? kCaseInsensitive : 0) |
                (pattern.options().bounded ? kBounded : 0));
        out.bytes(pattern.source());
        out.required(pattern.requiredText());
    }
    return std::move(out.out);
}

}  // namespace nabbit
