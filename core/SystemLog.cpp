#include "core/SystemLog.h"

#include <syslog.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

namespace nabbit {

namespace {

std::atomic<bool> echoDebugLines{true};

}  // namespace

void systemLog(std::string_view line, SystemLogPriority priority) {
    static std::once_flag opened;
    std::call_once(opened, [] { ::openlog("nabbit", LOG_PID, LOG_USER); });
    const std::string text(line);
    const bool debug = priority == SystemLogPriority::debug;
    ::syslog(debug ? LOG_DEBUG : LOG_NOTICE, "%s", text.c_str());
    if (!debug || echoDebugLines.load()) {
        // One call: stdio locks the stream for it, so no other thread's line lands inside.
        const std::string echoed = text + "\n";
        std::fwrite(echoed.data(), 1, echoed.size(), stderr);
    }
}

void setSystemLogEchoesDebugLines(bool echo) {
    echoDebugLines.store(echo);
}

}  // namespace nabbit
