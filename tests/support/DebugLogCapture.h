#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nabbit::test {

// One entry of the debug log file as a reader sees it.
struct LogEntry {
    std::string category;
    std::string message;
    std::string data;  // the rendered details, empty when the entry has none
};

// Switches the debug log on (through the preference, as the user does) and empties the file.
void startDebugLog();

// The entries in the debug log file, once everything logged so far has been written.
std::vector<LogEntry> debugLogEntries();

// The messages of those entries, of one category when one is given.
std::vector<std::string> debugLogMessages(std::string_view category = {});

// How many entries of the category carry this message.
long debugLogCount(std::string_view category, std::string_view message);

}  // namespace nabbit::test
