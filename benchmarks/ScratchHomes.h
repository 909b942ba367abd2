#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

namespace nabbit::bench {

// Temporary home folders holding a database of a given size, built once per size and removed
// with this object. `fill(home, size)` builds the database in a new home.
class ScratchHomes {
  public:
    using Fill = std::function<void(const std::filesystem::path& home, std::int64_t size)>;

    ScratchHomes(std::string prefix, Fill fill)
        : prefix_(std::move(prefix)), fill_(std::move(fill)) {}
    ~ScratchHomes();
    ScratchHomes(const ScratchHomes&) = delete;
    ScratchHomes& operator=(const ScratchHomes&) = delete;

    // The home whose database has `size` rows.
    const std::filesystem::path& forSize(std::int64_t size);

    // A new, empty home under the temporary folder (replacing one of the same name).
    std::filesystem::path make(const std::string& name) const;

  private:
    std::string prefix_;
    Fill fill_;
    std::map<std::int64_t, std::filesystem::path> homes_;
};

}  // namespace nabbit::bench
