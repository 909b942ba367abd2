#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "parser/ContentHash.h"
#include "parser/LanguageFile.h"
#include "parser/MappedFile.h"

namespace nabbit {

// Language files decoded ahead of time, with the text each of their patterns requires, so
// that a program starting up neither decodes JSON nor reads hundreds of pattern sources
// before its first message. Written at build time over the shipped files and installed beside
// them (OTPKeywords.index).
//
// An entry stands for the exact bytes of one file (their length and a 64-bit hash of them):
// a file edited or replaced since is decoded from its JSON as before. Whatever the index
// holds is checked as it is read; an index that is damaged or of another version counts for
// nothing.
class LanguageFileIndex {
  public:
    // Absent when the file is missing, unreadable or not an index of this version.
    static std::optional<LanguageFileIndex> load(const std::filesystem::path& location);
    static std::optional<LanguageFileIndex> fromBytes(std::string bytes);

    // The decoded file, patterns carrying their required text, for a file's whole contents;
    // absent when no entry is for exactly these bytes or the entry is damaged.
    std::optional<LanguageFile> find(std::string_view contents) const;

    std::size_t size() const { return entries_.size(); }
    // Entry i read out in full; absent when damaged.
    std::optional<LanguageFile> entry(std::size_t i) const;

    // The program's own patterns the index holds (their required text known), as written.
    std::vector<Regex> builtInPatterns() const;

    // The index of the given files' contents, those that decode as language files, and of
    // the program's own patterns (serviceNamePatterns), whose required text a first message
    // would otherwise read from their long sources.
    static std::string write(const std::vector<std::string>& contents,
                             const std::vector<Regex>& builtIns = {});

  private:
    LanguageFileIndex() = default;

    struct Entry {
        std::uint64_t length = 0;
        std::uint64_t hash = 0;
        std::size_t begin = 0;
        std::size_t end = 0;
    };

    static std::optional<LanguageFileIndex> read(LanguageFileIndex index);
    // Reads the built-in patterns into out (when given); their count, or -1 when damaged.
    long builtIns(std::vector<Regex>* out) const;
    std::string_view bytes() const { return mapped_ ? mapped_->bytes() : std::string_view(owned_); }

    // The bytes, mapped from the file or held; entries hold offsets into them.
    std::optional<MappedFile> mapped_;
    std::string owned_;
    std::vector<Entry> entries_;
    std::size_t builtInsBegin_ = 0;
};

}  // namespace nabbit
