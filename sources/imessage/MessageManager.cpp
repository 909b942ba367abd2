#include "sources/imessage/MessageManager.h"

#include <QSysInfo>
#include <QUuid>

#include <sqlite3.h>

#include "core/AppStateManager.h"
#include "core/DebugLogger.h"
#include "core/Paths.h"
#include "core/SQLiteDB.h"
#include "sources/CodeSearch.h"
#include "sources/imessage/AttributedBodyText.h"
#include "sources/imessage/MarkAsRead.h"

namespace nabbit {

namespace {

constexpr std::chrono::milliseconds kDefaultDebounce{300};
constexpr const char* kTestHandle = "+15555551234";

constexpr const char* kNewMessagesQuery =
    "SELECT message.guid, message.is_from_me, message.text, message.attributedBody, "
    "message.cache_roomnames, message.ROWID, handle.id FROM message LEFT OUTER JOIN handle ON "
    "message.handle_id = handle.ROWID WHERE message.ROWID > ? ORDER BY message.ROWID ASC LIMIT "
    "100";

void log(std::string_view message, std::string_view category) {
    DebugLogger::shared().log(message, category);
}
void log(std::string_view message, std::string_view category, LogDetails details) {
    DebugLogger::shared().log(message, category, std::move(details));
}

std::optional<std::vector<std::uint8_t>> blobColumn(sqlite3_stmt* statement, int column) {
    if (sqlite3_column_type(statement, column) == SQLITE_NULL) {
        return std::nullopt;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement, column));
    if (bytes == nullptr) {
        return std::nullopt;
    }
    const auto length = static_cast<std::size_t>(sqlite3_column_bytes(statement, column));
    return std::vector<std::uint8_t>(bytes, bytes + length);
}

}  // namespace

MessageManager::MessageManager(std::shared_ptr<const OTPParser> otpParser,
                               AccessCheck hasFullDiskAccess, ConsoleOutput console,
                               QObject* parent)
    : QObject(parent),
      otpParser_(std::move(otpParser)),
      environment_(std::move(hasFullDiskAccess), std::move(console)),
      walFileMonitor_(paths::messagesDatabase()) {
    syncWorkItem_.setSingleShot(true);
    syncWorkItem_.setTimerType(Qt::PreciseTimer);  // a coarse timer may fire 5% early
    syncWorkItem_.setInterval(kDefaultDebounce);
    connect(&syncWorkItem_, &QTimer::timeout, this, [this] {
        log("WAL file changed, syncing messages (debounced)", "SYNC");
        syncMessages();
    });
    // Every change restarts the wait: one sync after the last write of a burst.
    connect(&walFileMonitor_, &WalFileWatch::changed, this, [this] { syncWorkItem_.start(); });
    connect(&walFileMonitor_, &WalFileWatch::walArmed, this, [this] {
        log("WAL file monitoring started", "SYNC", {{"path", walFileMonitor_.walPath().string()}});
    });
}

MessageManager::~MessageManager() {
    stopWatching();
}

std::chrono::milliseconds MessageManager::syncDebounceInterval() const {
    return syncWorkItem_.intervalAsDuration();
}

void MessageManager::setSyncDebounceInterval(std::chrono::milliseconds interval) {
    syncWorkItem_.setInterval(interval);
}

void MessageManager::initializeLastProcessedRowId() {
    if (!environment_.hasFullDiskAccess()) {
        return;
    }
    auto db = SQLiteDB::open(paths::messagesDatabase().string(), false);
    if (!db) {
        log("Failed to initialize lastProcessedRowId", "ERROR",
            {{"error", db.error().description()}});
        return;
    }
    auto statement = db->prepare("SELECT IFNULL(MAX(ROWID), 0) FROM message");
    if (!statement) {
        log("Failed to initialize lastProcessedRowId", "ERROR",
            {{"error", statement.error().description()}});
        return;
    }
    if (sqlite3_step(statement->handle()) != SQLITE_ROW) {
        return;
    }
    lastProcessedRowId_ = sqlite3_column_int64(statement->handle(), 0);
    log("Initialized lastProcessedRowId", "SYNC", {{"rowId", lastProcessedRowId_}});
}

void MessageManager::syncMessages() {
    if (!environment_.hasFullDiskAccess()) {
        log("syncMessages skipped - no Full Disk Access", "SYNC");
        return;
    }
    log("Starting syncMessages", "SYNC", {{"lastProcessedRowId", lastProcessedRowId_}});
    // Whatever changes from here on is news to the next event.
    walFileMonitor_.acknowledge();
    auto entries = fetchNewMessages(lastProcessedRowId_);
    if (!entries) {
        const auto description = entries.error().description();
        // Access withdrawn while running: the permission check reports it, not the sync.
        if (description.find("authorization denied") != std::string::npos) {
            return;
        }
        environment_.print("ERR: " + description);
        log("Error during sync", "ERROR", {{"error", description}});
        return;
    }
    if (entries->empty()) {
        log("No new OTP messages found", "SYNC");
        return;
    }
    messages_.append(*entries);
    log("Added new OTP messages", "SYNC", {{"count", entries->size()}});
}

Expected<CodeEntries, SQLiteError> MessageManager::fetchNewMessages(std::int64_t afterRowId) {
    auto loaded = loadMessagesAfterRowId(afterRowId);
    if (!loaded) {
        return Unexpected{std::move(loaded).error()};
    }
    // Skipped rows count too: a batch of rows without handle or text must not be read forever.
    if (loaded->lastRowIdRead > lastProcessedRowId_) {
        lastProcessedRowId_ = loaded->lastRowIdRead;
    }

    std::vector<const Message*> fresh;
    for (const auto& record : loaded->records) {
        if (!isLongEnoughToParse(record.text)) {
            continue;
        }
        if (processedGuids_.contains(record.guid)) {
            continue;
        }
        processedGuids_.insert(record.guid);
        fresh.push_back(&record);
    }

    return parseRecords(*otpParser_, fresh);
}

Expected<MessageManager::LoadedMessages, SQLiteError> MessageManager::loadMessagesAfterRowId(
    std::int64_t rowId) {
    log("Starting loadMessagesAfterRowId", "DATABASE",
        {{"rowId", rowId}, {"macOS_version", QSysInfo::prettyProductName().toStdString()}});
    auto db = SQLiteDB::open(paths::messagesDatabase().string(), false);
    if (!db) {
        return Unexpected{std::move(db).error()};
    }
    auto statement = db->prepare(kNewMessagesQuery);
    if (!statement) {
        return Unexpected{std::move(statement).error()};
    }
    sqlite3_stmt* const rows = statement->handle();
    sqlite3_bind_int64(rows, 1, rowId);
    log("Executing ROWID-based query", "DATABASE", {{"rowId_threshold", rowId}});

    LoadedMessages loaded;
    std::int64_t rowsScanned = 0;
    while (sqlite3_step(rows) == SQLITE_ROW) {
        ++rowsScanned;
        const auto guid = textColumn(rows, 0).value_or("");
        const bool fromMe = sqlite3_column_int64(rows, 1) != 0;
        auto text = textColumn(rows, 2);
        const auto body = text ? std::nullopt : blobColumn(rows, 3);
        auto group = textColumn(rows, 4);
        const std::int64_t rowIdRead = sqlite3_column_int64(rows, 5);
        auto handle = textColumn(rows, 6);
        loaded.lastRowIdRead = std::max(loaded.lastRowIdRead, rowIdRead);

        if (!handle) {
            log("Skipped - no handle", "PARSING", {{"guid", guid}});
            continue;
        }
        if (!text) {
            text = extractTextFromAttributedBody(body);
            if (!text) {
                log("Skipped - no text available", "PARSING", {{"guid", guid}});
                continue;
            }
        }
        loaded.records.push_back(Message{rowIdRead, guid, std::move(*text), std::move(*handle),
                                         std::move(group), fromMe});
    }
    log("ROWID query complete", "DATABASE",
        {{"rows_scanned", rowsScanned}, {"messages_found", loaded.records.size()}});
    return loaded;
}

void MessageManager::startWALMonitoring() {
    const auto walPath = walFileMonitor_.walPath().string();
    if (walFileMonitor_.start()) {
        log("WAL file monitoring started", "SYNC", {{"path", walPath}});
    } else {
        // The folder stays watched: the WAL file is picked up when it appears.
        log("Failed to open WAL file for monitoring", "SYNC", {{"path", walPath}});
    }
}

void MessageManager::stopWatching() {
    syncWorkItem_.stop();
    walFileMonitor_.stop();
}

void MessageManager::resync() {
    stopWatching();
    messages_.clear();
    processedGuids_.clear();
    lastProcessedRowId_ = 0;
    initializeLastProcessedRowId();
    syncMessages();
    startWALMonitoring();
}

void MessageManager::injectTestMessage(const std::string& text) {
    Message message{0,
                    QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString(),
                    text,
                    kTestHandle,
                    std::nullopt,
                    false};
    auto otp = otpParser_->parse(text);
    if (!otp) {
        environment_.print("❌ Failed to parse test message: " + text);
        return;
    }
    environment_.print("✅ Parsed test message: " + otp->code + " from " +
                       otp->service.value_or("unknown"));
    messages_.append({CodeEntry{std::move(message), std::move(*otp)}});
}

void MessageManager::markAsRead(const std::string& guid) {
    if (!AppStateManager::shared().markAsReadEnabled()) {
        log("Mark as read skipped - feature disabled", "MARK_READ");
        return;
    }
    if (!environment_.hasFullDiskAccess()) {
        log("Mark as read skipped - no Full Disk Access", "MARK_READ");
        return;
    }
    log("Attempting to mark message as read", "MARK_READ", {{"guid", guid}});
    if (markMessageAsReadInDatabase(guid)) {
        notifyMessagesApp();
    }
}

}  // namespace nabbit
