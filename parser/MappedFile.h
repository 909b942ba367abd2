#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string_view>

namespace nabbit {

// A file's contents mapped read-only into memory for as long as this lives: pages are read
// in as they are touched, so a large data file costs what is looked at, not its size.
class MappedFile {
  public:
    // Absent when the file is not a readable regular file or is over 64 MiB.
    static std::optional<MappedFile> open(const std::filesystem::path& path);

    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    std::string_view bytes() const { return {static_cast<const char*>(data_), size_}; }

  private:
    MappedFile(void* data, std::size_t size) : data_(data), size_(size) {}

    void* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace nabbit
