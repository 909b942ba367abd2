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

// The query's LIMIT: a batch that comes back this full may have more rows behind it.
constexpr std::size_t kBatchSize = 100;

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
    // Queued rather than recursive: a long backlog neither deepens the stack nor holds up the
    // event loop between its batches.
    nextBatch_.setSingleShot(true);
    nextBatch_.setInterval(0);
    connect(&nextBatch_, &QTimer::timeout, this, &MessageManager::syncMessages);
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

bool MessageManager::initializeLastProcessedRowId() {
    if (!environment_.hasFullDiskAccess()) {
        return false;
    }
    if (auto failed = setWatermarkToNewestRow()) {
        log("Failed to initialize lastProcessedRowId", "ERROR", {{"error", failed->description()}});
        return false;
    }
    return true;
}

std::optional<SQLiteError> MessageManager::setWatermarkToNewestRow() {
    const auto path = paths::messagesDatabase();
    auto db = SQLiteDB::open(path.string(), false);
    if (!db) {
        return std::move(db).error();
    }
    auto highest = highestRowId(*db, "message");
    if (!highest) {
        return std::move(highest).error();
    }
    watermark_.set(*highest, path);
    log("Initialized lastProcessedRowId", "SYNC", {{"rowId", *highest}});
    return std::nullopt;
}

void MessageManager::syncMessages() {
    if (!environment_.hasFullDiskAccess()) {
        log("syncMessages skipped - no Full Disk Access", "SYNC");
        return;
    }
    const auto path = paths::messagesDatabase();
    if (watermark_.isSet() && !watermark_.countsIn(path)) {
        log("Messages database replaced", "SYNC", {{"path", path.string()}});
        watermark_.reset();
    }
    // Whatever changes from here on is news to the next event.
    walFileMonitor_.acknowledge();
    if (!watermark_.isSet()) {
        // The history in the database is never read: the first sync that can read it only
        // takes its newest row as the starting point.
        if (auto failed = setWatermarkToNewestRow()) {
            reportSyncError(*failed);
        }
        return;
    }
    log("Starting syncMessages", "SYNC", {{"lastProcessedRowId", watermark_.rowId()}});
    auto loaded = loadMessagesAfterRowId(watermark_.rowId());
    if (!loaded) {
        reportSyncError(loaded.error());
        return;
    }
    if (loaded->interrupted) {
        return;
    }
    if (loaded->highestRowId && *loaded->highestRowId < watermark_.rowId()) {
        // Rows gone below the watermark: another file was copied over this one.
        log("Messages database replaced", "SYNC", {{"path", path.string()}});
        watermark_.reset();
        if (auto failed = setWatermarkToNewestRow()) {
            reportSyncError(*failed);
        }
        return;
    }
    auto entries = parseNewRecords(*loaded);
    if (!entries) {
        return;
    }
    // Skipped rows count too: a batch of rows without handle or text must not be read forever.
    watermark_.advance(loaded->lastRowIdRead);
    if (entries->empty()) {
        log("No new OTP messages found", "SYNC");
    } else {
        messages_.append(*entries);
        log("Added new OTP messages", "SYNC", {{"count", entries->size()}});
    }
    if (loaded->stepError) {
        reportSyncError(*loaded->stepError);
    } else if (loaded->rowsRead == kBatchSize) {
        nextBatch_.start();  // more rows may wait behind a full batch
    }
}

void MessageManager::reportSyncError(const SQLiteError& error) {
    const auto description = error.description();
    // Access withdrawn while running: the permission check reports it, not the sync.
    if (description.find("authorization denied") != std::string::npos) {
        return;
    }
    environment_.print("ERR: " + description);
    log("Error during sync", "ERROR", {{"error", description}});
}

std::optional<CodeEntries> MessageManager::parseNewRecords(const LoadedMessages& loaded) {
    std::set<std::string> guids;
    auto entries = findCodes(*otpParser_, loaded.records, environment_, [&](const Message& record) {
        return !processedGuids_.contains(record.guid) && guids.insert(record.guid).second;
    });
    if (entries) {
        processedGuids_.merge(guids);
    }
    return entries;
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
    readRows(*db, rows, environment_, loaded, [&] {
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
            return;
        }
        if (!text) {
            text = extractTextFromAttributedBody(body);
            if (!text) {
                log("Skipped - no text available", "PARSING", {{"guid", guid}});
                return;
            }
        }
        loaded.records.push_back(Message{rowIdRead, guid, std::move(*text), std::move(*handle),
                                         std::move(group), fromMe});
    });
    if (loaded.rowsRead == 0 && !loaded.stepError && !loaded.interrupted) {
        auto highest = highestRowId(*db, "message");
        if (highest) {
            loaded.highestRowId = *highest;
        } else {
            loaded.stepError = std::move(highest).error();
        }
    }
    log("ROWID query complete", "DATABASE",
        {{"rows_scanned", loaded.rowsRead}, {"messages_found", loaded.records.size()}});
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
    nextBatch_.stop();
    walFileMonitor_.stop();
}

void MessageManager::resync() {
    stopWatching();
    messages_.clear();
    processedGuids_.clear();
    watermark_.reset();
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
