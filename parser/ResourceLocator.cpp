#include "parser/ResourceLocator.h"

#include <array>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <system_error>
#include <utility>

namespace nabbit {

namespace {

constexpr const char* kSubfolder = "OTPKeywords";
// Data files are kilobytes; a file far larger is no data file of ours and is not read whole.
constexpr std::uintmax_t kMaxFileSize = 64 * 1024 * 1024;

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
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    // Sized once from the file's length (read at every start, the index is large), then read
    // on to the end in case the file grew meanwhile.
    std::string contents;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxFileSize) {
        return std::nullopt;
    }
    if (!ec) {
        contents.resize(static_cast<std::size_t>(size));
        in.read(contents.data(), static_cast<std::streamsize>(contents.size()));
        contents.resize(static_cast<std::size_t>(in.gcount()));
    }
    // Left uninitialised: clearing it cost more than reading a language file.
    std::array<char, 16 * 1024> block;
    while (in.read(block.data(), block.size()) || in.gcount() > 0) {
        contents.append(block.data(), static_cast<std::size_t>(in.gcount()));
        if (contents.size() > kMaxFileSize) {
            return std::nullopt;
        }
    }
    if (in.bad()) {
        return std::nullopt;
    }
    return contents;
}

}  // namespace nabbit
