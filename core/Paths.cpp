#include "core/Paths.h"

#include <pwd.h>
#include <unistd.h>

#include <QStandardPaths>
#include <cstdlib>
#include <string>
#include <vector>

namespace nabbit::paths {

namespace {

std::filesystem::path passwordHome() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return "/";
}

// XDG base directories must be absolute; a relative value is ignored.
std::filesystem::path xdgDirectory(const char* variable, const char* fallbackBelowHome) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/') {
        return value;
    }
    return home() / fallbackBelowHome;
}

}  // namespace

std::filesystem::path home() {
    const char* value = std::getenv("HOME");
    if (value != nullptr && value[0] != '\0') {
        return value;
    }
    return passwordHome();
}

std::filesystem::path configHome() {
    return xdgDirectory("XDG_CONFIG_HOME", ".config");
}

std::filesystem::path dataHome() {
    return xdgDirectory("XDG_DATA_HOME", ".local/share");
}

std::filesystem::path stateHome() {
    return xdgDirectory("XDG_STATE_HOME", ".local/state");
}

std::filesystem::path instanceDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        return std::filesystem::path(runtime) / "nabbit";
    }
    return configHome() / "nabbit";
}

std::filesystem::path autostartEntry() {
    return configHome() / "autostart" / "nabbit.desktop";
}

std::filesystem::path windowStateFile() {
    return stateHome() / "nabbit" / "windows.conf";
}

std::filesystem::path messagesDirectory() {
    return home() / "Library" / "Messages";
}

std::filesystem::path messagesDatabase() {
    return messagesDirectory() / "chat.db";
}

std::filesystem::path messagesDatabaseWal() {
    return messagesDirectory() / "chat.db-wal";
}

std::filesystem::path mailDirectory() {
    return home() / "Library" / "Mail";
}

std::filesystem::path preferencesFile() {
    return configHome() / "nabbit" / "nabbit.conf";
}

std::optional<std::filesystem::path> documentsDirectory() {
    const QString location = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (location.isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(location.toStdString());
}

}  // namespace nabbit::paths
