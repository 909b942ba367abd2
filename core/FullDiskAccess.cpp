#include "core/FullDiskAccess.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <mutex>
#include <string>

#include "core/Paths.h"
#include "core/SystemLog.h"
#include "core/UniqueFd.h"

namespace nabbit {

namespace {

// Readable means a one-byte read returns data: a directory (EISDIR) or an empty file (end of
// file) is not a readable database. O_NONBLOCK keeps a FIFO in its place from hanging us.
bool canReadOneByte(const std::filesystem::path& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        return false;
    }
    char byte = 0;
    ssize_t got = -1;
    do {
        got = ::read(fd.get(), &byte, 1);
    } while (got < 0 && errno == EINTR);
    return got == 1;
}

const char* text(bool value) {
    return value ? "true" : "false";
}

// The windows check every second: the log gets the answer when it differs from the last one
// logged, from whichever thread asked.
void logIfChanged(const std::filesystem::path& path, bool exists, bool readable) {
    static std::mutex mutex;
    static std::string logged;
    const std::string answer = path.string() + '\n' + text(exists) + '\n' + text(readable);
    {
        std::lock_guard lock(mutex);
        if (answer == logged) {
            return;
        }
        logged = answer;
    }
    systemLog("[Nabbit] Checking FDA at: " + path.string(), SystemLogPriority::debug);
    systemLog(
        std::string("[Nabbit] File exists: ") + text(exists) + ", Can read: " + text(readable),
        SystemLogPriority::debug);
}

}  // namespace

FullDiskAccess checkFullDiskAccess() {
    const std::filesystem::path path = paths::messagesDatabase();
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    const bool readable = exists && canReadOneByte(path);
    logIfChanged(path, exists, readable);
    if (readable) {
        return FullDiskAccess::granted;
    }
    return exists ? FullDiskAccess::denied : FullDiskAccess::missing;
}

}  // namespace nabbit
