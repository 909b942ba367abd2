#include "core/SystemLog.h"

#include <syslog.h>

#include <cstdio>
#include <mutex>
#include <string>

namespace nabbit {

void systemLog(std::string_view line) {
    static std::once_flag opened;
    std::call_once(opened, [] { ::openlog("nabbit", LOG_PID, LOG_USER); });
    const std::string text(line);
    ::syslog(LOG_NOTICE, "%s", text.c_str());
    std::fprintf(stderr, "%s\n", text.c_str());
}

}  // namespace nabbit
