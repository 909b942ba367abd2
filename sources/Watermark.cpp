#include "sources/Watermark.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace nabbit {

std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<std::uintmax_t>(info.st_dev),
                        static_cast<std::uintmax_t>(info.st_ino)};
}

void Watermark::set(std::int64_t rowId, const std::filesystem::path& path) {
    set_ = true;
    rowId_ = rowId;
    file_.reset(::open(path.c_str(), O_PATH | O_CLOEXEC));
}

void Watermark::reset() {
    set_ = false;
    rowId_ = 0;
    file_.reset();
}

bool Watermark::countsIn(const std::filesystem::path& path) const {
    struct stat held {};
    if (!file_ || ::fstat(file_.get(), &held) != 0 || held.st_nlink == 0) {
        return false;
    }
    struct stat now {};
    if (::stat(path.c_str(), &now) != 0) {
        return true;
    }
    return now.st_dev == held.st_dev && now.st_ino == held.st_ino;
}

}  // namespace nabbit
