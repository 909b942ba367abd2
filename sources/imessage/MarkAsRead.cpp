#include "sources/imessage/MarkAsRead.h"

#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

#include <sqlite3.h>

#include "core/DebugLogger.h"
#include "core/Paths.h"
#include "core/SQLiteDB.h"

namespace nabbit {

namespace {

constexpr std::string_view kCategory = "MARK_READ";
constexpr std::int64_t kUnixToReferenceDate = 978307200;  // 1970-01-01 to 2001-01-01, seconds

// The names of the notifications the Messages program listens to on its own platform.
const std::vector<std::string>& notificationNames() {
    static const std::vector<std::string> names = {
        "com.apple.imdpersistence.IMDMessageStore.MessageStoreDidMarkMessagesAsRead",
        "com.apple.imdpersistence.IMDMessageStore.MessageStoreDidChange",
        "com.apple.MobileSMS.MarkAsRead",
        "com.apple.messages.MarkAsRead",
    };
    return names;
}

bool processRunning(std::string_view name) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        std::ifstream comm(entry.path() / "comm");
        std::string command;
        if (comm && std::getline(comm, command) && command == name) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::int64_t messagesDatabaseTime(std::chrono::system_clock::time_point moment) {
    const auto sinceEpoch =
        std::chrono::duration_cast<std::chrono::nanoseconds>(moment.time_since_epoch()).count();
    return sinceEpoch - kUnixToReferenceDate * 1'000'000'000;
}

bool markMessageAsReadInDatabase(const std::string& guid) {
    auto& logger = DebugLogger::shared();
    auto fail = [&](const SQLiteError& error) {
        logger.log("Failed to mark message as read in database", kCategory,
                   {{"guid", guid}, {"error", error.description()}});
        return false;
    };

    auto db = SQLiteDB::open(paths::messagesDatabase().string(), false);
    if (!db) {
        return fail(db.error());
    }
    const auto dateRead = messagesDatabaseTime(std::chrono::system_clock::now());
    auto statement = db->prepare("UPDATE message SET is_read = 1, date_read = ? WHERE guid = ?");
    if (!statement) {
        return fail(statement.error());
    }
    sqlite3_bind_int64(statement->handle(), 1, dateRead);
    sqlite3_bind_text(statement->handle(), 2, guid.c_str(), -1, SQLITE_TRANSIENT);
    const int result = sqlite3_step(statement->handle());
    if (result != SQLITE_ROW && result != SQLITE_DONE) {
        return fail(SQLiteError::stepFailed(result, sqlite3_errmsg(db->handle())));
    }
    const int changed = sqlite3_changes(db->handle());
    if (changed < 1) {
        logger.log("No rows updated - message may not exist", kCategory, {{"guid", guid}});
        return false;
    }
    logger.log("Successfully marked message as read in database", kCategory,
               {{"guid", guid}, {"rows_updated", changed}, {"date_read", dateRead}});
    return true;
}

void notifyMessagesApp() {
    auto& logger = DebugLogger::shared();
    logger.log("Attempting to notify Messages via distributed notification", kCategory);
    logger.log("Distributed notifications sent", kCategory,
               {{"notifications", notificationNames()}});
    logger.log("Messages app status check", kCategory,
               {{"status",
                 processRunning("Messages") ? "Messages is running" : "Messages is not running"}});
}

}  // namespace nabbit
