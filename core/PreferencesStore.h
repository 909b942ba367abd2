#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nabbit {

// The preferences file: QSettings in INI format at <config home>/nabbit/nabbit.conf, located
// afresh on every access. Holds nothing between calls, so values written by another process
// are seen at the next read. Reading never changes the file, not even its modification time.
//
// INI keeps no types: a stored bool reads back as the text "true". The typed reads accept
// what the writers produce and reject anything else, so a caller's fallback applies.
//
// A file that was read and found not to be a settings file (binary or invalid UTF-8 content,
// a syntax QSettings rejects, over 1 MiB) is renamed aside with the suffix ".corrupt-<time>"
// and logged to the system log; every key then reads as absent and the next write starts a
// fresh file. A file that cannot be read (no permission, a directory in its place) is left
// where it is: keys read as absent, writes fail rather than replace it, and one system log
// line says why.
class PreferencesStore {
  public:
    PreferencesStore() = default;
    // For a file elsewhere than the user's preferences.
    explicit PreferencesStore(std::filesystem::path file);

    std::filesystem::path file() const;

    // The stored text (a list written by hand is joined with ", "); absent when not stored.
    std::optional<std::string> value(std::string_view key) const;
    // "true"/"false"/"1"/"0" in any letter case; absent for anything else.
    std::optional<bool> boolValue(std::string_view key) const;
    // A whole integer with an optional sign and nothing else; absent otherwise.
    std::optional<long long> integerValue(std::string_view key) const;
    // A list of texts; a single text stored reads as a list of one, an empty text as none.
    // Absent when not stored.
    std::optional<std::vector<std::string>> stringListValue(std::string_view key) const;
    // Every stored key and its text, sorted by key.
    std::vector<std::pair<std::string, std::string>> allValues() const;

    // Each write returns whether the file now holds the change.
    bool setBool(std::string_view key, bool value) const;
    bool setInteger(std::string_view key, long long value) const;
    bool setString(std::string_view key, std::string_view value) const;
    bool setStringList(std::string_view key, const std::vector<std::string>& value) const;
    bool remove(std::string_view key) const;

    // How many writes this process has made to any preferences file: a reader that keeps a
    // value in memory can tell when to read it again.
    static std::uint64_t writeCount();

  private:
    std::optional<std::filesystem::path> file_;
};

}  // namespace nabbit
