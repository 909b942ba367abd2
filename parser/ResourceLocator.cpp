#include "parser/ResourceLocator.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <iterator>
#include <set>
#include <system_error>
#include <utility>

#include "parser/FileDescriptor.h"

namespace nabbit {

namespace {

constexpr const char* kSubfolder = "OTPKeywords";
// Data files are kilobytes; a file far larger is no data file of ours and is not read whole.
constexpr std::uintmax_t kMaxFileSize = 64 * 1024 * 1024;
// What a file that grew while being read is extended by at a time.
constexpr std::size_t kReadBlock = 16 * 1024;

bool pathExists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

std::optional<std::filesystem::path> absoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    std::filesystem::path path(value);
    // Relative values are invalid for the XDG variables and are ignored.
    if (!path.is_absolute()) {
        return std::nullopt;
    }
    return path;
}

}  // namespace

ResourceLocator::ResourceLocator(std::filesystem::path resources,
                                 std::optional<std::filesystem::path> userOverrides)
    : resources_(std::move(resources)), userOverrides_(std::move(userOverrides)) {}

ResourceLocator ResourceLocator::shipped() {
    return ResourceLocator(shippedResourceDir(), userOverrideDir());
}

ResourceLocator ResourceLocator::forDirectory(std::filesystem::path resources) {
    return ResourceLocator(std::move(resources), std::nullopt);
}

std::optional<std::filesystem::path> ResourceLocator::find(std::string_view fileName) const {
    if (fileName.empty()) {
        return std::nullopt;
    }
    if (userOverrides_) {
        auto path = *userOverrides_ / fileName;
        if (pathExists(path)) {
            return path;
        }
    }
    if (resources_.empty()) {
        return std::nullopt;
    }
    for (auto path : {resources_ / kSubfolder / fileName, resources_ / fileName}) {
        if (pathExists(path)) {
            return path;
        }
    }
    return std::nullopt;
}

std::vector<std::string> ResourceLocator::fileNames(std::string_view extension) const {
    std::vector<std::filesystem::path> folders;
    if (userOverrides_) {
        folders.push_back(*userOverrides_);
    }
    if (!resources_.empty()) {
        folders.push_back(resources_ / kSubfolder);
        folders.push_back(resources_);
    }
    std::set<std::string> names;
    for (const auto& folder : folders) {
        std::error_code ec;
        for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
             it.increment(ec)) {
            std::string name = it->path().filename().string();
            std::error_code typeError;
            if (name.size() > extension.size() && name.ends_with(extension) &&
                !name.starts_with('.') && it->is_regular_file(typeError)) {
                names.insert(std::move(name));
            }
        }
    }
    return {names.begin(), names.end()};
}

void ResourceLocator::createUserOverrideFolder() const {
    if (userOverrides_) {
        std::error_code ec;
        std::filesystem::create_directories(*userOverrides_, ec);
    }
}

std::filesystem::path ResourceLocator::shippedResourceDir() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) {
        return {};
    }
    return (exe.parent_path() / ".." / "share" / "nabbit").lexically_normal();
}

std::optional<std::filesystem::path> ResourceLocator::userOverrideDir() {
    if (auto dataHome = absoluteEnv("XDG_DATA_HOME")) {
        return *dataHome / "nabbit" / kSubfolder;
    }
    if (auto home = absoluteEnv("HOME")) {
        return *home / ".local" / "share" / "nabbit" / kSubfolder;
    }
    return std::nullopt;
}

std::optional<std::string> ResourceLocator::readFile(const std::filesystem::path& path) {
    // Opened without waiting (a FIFO in its place must not hang the program) and checked to be
    // a regular file before anything is read.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (!file.valid() || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::uintmax_t>(info.st_size) > kMaxFileSize) {
        return std::nullopt;
    }
    // Sized once from the file's length (read at every start, the files are many), with a
    // byte to spare so that the read which finds the end needs no more room; read on to the
    // end in case the file grew meanwhile.
    std::string contents(static_cast<std::size_t>(info.st_size) + 1, '\0');
    std::size_t used = 0;
    for (;;) {
        if (used == contents.size()) {
            contents.resize(used + kReadBlock);
        }
        const ssize_t got = ::read(file.get(), contents.data() + used, contents.size() - used);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        used += static_cast<std::size_t>(got);
        if (used > kMaxFileSize) {
            return std::nullopt;
        }
    }
    contents.resize(used);
    return contents;
}

}  // namespace nabbit
