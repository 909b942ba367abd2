#include "TestHome.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

namespace nabbit::test {

namespace {

std::filesystem::path makeTempDir(const char* prefix) {
    std::error_code ec;
    auto base = std::filesystem::temp_directory_path(ec);
    if (ec) {
        base = "/tmp";
    }
    std::string pattern = (base / (std::string(prefix) + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::abort();  // a test that cannot isolate itself must not go on
    }
    return pattern;
}

std::filesystem::path& homeSlot() {
    static std::filesystem::path home;
    return home;
}

}  // namespace

TempDir::TempDir() : path_(makeTempDir("nabbit-test-")) {}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::filesystem::path useFreshHome() {
    static TempDir home;  // removed when the test program exits
    const auto& root = home.path();
    ::setenv("HOME", root.c_str(), 1);
    for (const auto& [variable, folder] : {std::pair{"XDG_CONFIG_HOME", ".config"},
                                           {"XDG_DATA_HOME", ".local/share"},
                                           {"XDG_CACHE_HOME", ".cache"},
                                           {"XDG_RUNTIME_DIR", ".runtime"}}) {
        std::filesystem::create_directories(root / folder);
        ::setenv(variable, (root / folder).c_str(), 1);
    }
    std::filesystem::create_directories(root / "Documents");
    std::filesystem::permissions(root / ".runtime", std::filesystem::perms::owner_all);
    homeSlot() = root;
    return root;
}

std::filesystem::path testHome() {
    return homeSlot();
}

bool writeFile(const std::filesystem::path& path, const std::string& contents) {
    std::error_code ec;
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path(), ec);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    return static_cast<bool>(out);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

}  // namespace nabbit::test
