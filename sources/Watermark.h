#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace nabbit {

// Which file a path names at the moment: its device and inode. A database replaced under the
// same name (deleted and created again, restored from a backup, rebuilt) is another file.
struct FileIdentity {
    std::uintmax_t device = 0;
    std::uintmax_t inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path);

// The highest ROWID a source has consumed, and the database file it counts in. It is not set
// until a sync could read the database, and it is unset again when that file is replaced: the
// ROWIDs of another file start anew and mean nothing against it.
class Watermark {
  public:
    bool isSet() const { return file_.has_value(); }
    // 0 while not set.
    std::int64_t rowId() const { return rowId_; }
    // Whether the watermark counts in `file` (false while not set).
    bool countsIn(const std::optional<FileIdentity>& file) const { return file_ && file == file_; }

    void set(std::int64_t rowId, const std::optional<FileIdentity>& file) {
        rowId_ = rowId;
        file_ = file.value_or(FileIdentity{});
    }
    void advance(std::int64_t rowId) { rowId_ = rowId > rowId_ ? rowId : rowId_; }
    void reset() {
        rowId_ = 0;
        file_.reset();
    }

  private:
    std::int64_t rowId_ = 0;
    std::optional<FileIdentity> file_;
};

}  // namespace nabbit
