#include "sources/Watermark.h"

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

}  // namespace nabbit
