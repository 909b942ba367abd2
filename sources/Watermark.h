#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "core/UniqueFd.h"

namespace nabbit {

// Which file a path names at the moment: its device and inode.
struct FileIdentity {
    std::uintmax_t device = 0;
    std::uintmax_t inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path);

// The highest ROWID a source has consumed, and the database file it counts in. It is not set
// until a sync could read the database, and it no longer counts once that file is replaced
// (deleted and created again, restored from a backup, rebuilt): the ROWIDs of another file
// start anew and mean nothing against it.
class Watermark {
  public:
    bool isSet() const { return set_; }
    // 0 while not set.
    std::int64_t rowId() const { return rowId_; }

    // Sets the watermark in the database file at `path`. The file is held open (O_PATH, no
    // access needed) for as long as the watermark counts in it: a file that is deleted keeps
    // its inode number while held, so a new file at the path can never pass for it.
    void set(std::int64_t rowId, const std::filesystem::path& path);
    void advance(std::int64_t rowId) { rowId_ = rowId > rowId_ ? rowId : rowId_; }
    void reset();

    // Whether the database at `path` is still the file the watermark was set in. A path that
    // is missing for the moment says nothing (the read fails and is tried again).
    bool countsIn(const std::filesystem::path& path) const;

  private:
    bool set_ = false;
    std::int64_t rowId_ = 0;
    UniqueFd file_;  // none when the file was gone again already: it counts as replaced
};

}  // namespace nabbit
