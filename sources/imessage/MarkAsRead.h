#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace nabbit {

// Writes the read flag and the read time of the message with `guid` into the Messages
// database. True when at least one row changed. Logs every outcome (category MARK_READ).
bool markMessageAsReadInDatabase(const std::string& guid);

// Tells the Messages program that its store changed. There is no notification centre for that
// here, so this logs what would be posted and whether a process named "Messages" runs.
void notifyMessagesApp();

// A moment as nanoseconds since 2001-01-01 00:00:00 UTC, the Messages database's clock.
std::int64_t messagesDatabaseTime(std::chrono::system_clock::time_point moment);

}  // namespace nabbit
