#include "DebugLogCapture.h"

#include <algorithm>
#include <regex>
#include <sstream>

#include "TestHome.h"
#include "core/AppStateManager.h"
#include "core/DebugLogger.h"

namespace nabbit::test {

void startDebugLog() {
    AppStateManager::shared().setDebugLoggingEnabled(true);
    DebugLogger::shared().clearLog();
    DebugLogger::shared().flush();
}

std::vector<LogEntry> debugLogEntries() {
    auto& logger = DebugLogger::shared();
    logger.flush();
    std::vector<LogEntry> entries;
    if (!logger.logFileURL()) {
        return entries;
    }
    static const std::regex head(
        R"(^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\] \[([A-Z_]+)\] (.*)$)");
    std::istringstream lines(readFile(*logger.logFileURL()));
    std::string line;
    while (std::getline(lines, line)) {
        std::smatch match;
        if (std::regex_match(line, match, head)) {
            entries.push_back(LogEntry{match[1], match[2], {}});
        } else if (!entries.empty() && line.starts_with("  Data: ")) {
            entries.back().data = line.substr(8);
        } else if (!entries.empty() && !line.empty()) {
            entries.back().message += "\n" + line;  // a message with line feeds of its own
        }
    }
    return entries;
}

std::vector<std::string> debugLogMessages(std::string_view category) {
    std::vector<std::string> messages;
    for (const auto& entry : debugLogEntries()) {
        if (category.empty() || entry.category == category) {
            messages.push_back(entry.message);
        }
    }
    return messages;
}

long debugLogCount(std::string_view category, std::string_view message) {
    const auto messages = debugLogMessages(category);
    return std::count(messages.begin(), messages.end(), message);
}

}  // namespace nabbit::test
