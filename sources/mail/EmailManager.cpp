#include "sources/mail/EmailManager.h"

#include <algorithm>
#include <charconv>

#include <QUuid>

#include <sqlite3.h>

#include "core/DebugLogger.h"
#include "core/Paths.h"
#include "parser/UnicodeText.h"
#include "sources/CodeSearch.h"
#include "sources/Whitespace.h"

namespace nabbit {

namespace {

constexpr std::string_view kCategory = "EMAIL";
constexpr const char* kDefaultHandle = "Apple Mail";
constexpr std::chrono::milliseconds kDefaultPollInterval{10'000};
constexpr std::chrono::milliseconds kCommitWatchTick{5};
constexpr int kCommitWatchTicks = 200;  // one second of waiting for a commit to show
// The queries' LIMIT: a batch that comes back this full may have more rows behind it.
constexpr std::size_t kBatchSize = 200;

// Current Mail versions keep summaries in their own table; older ones kept the text itself in
// messages.summary.
constexpr const char* kEnvelopesQuery =
    "SELECT m.ROWID, IFNULL(s.subject, ''), IFNULL(a.address, ''), IFNULL(m.summary, '')\n"
    "FROM messages m\n"
    "LEFT JOIN subjects s ON m.subject = s.ROWID\n"
    "LEFT JOIN addresses a ON m.sender = a.ROWID\n"
    "WHERE m.ROWID > ?\n"
    "ORDER BY m.ROWID ASC\n"
    "LIMIT 200";
constexpr const char* kEnvelopesWithSummariesQuery =
    "SELECT m.ROWID, IFNULL(s.subject, ''), IFNULL(a.address, ''), IFNULL(su.summary, '')\n"
    "FROM messages m\n"
    "LEFT JOIN subjects s ON m.subject = s.ROWID\n"
    "LEFT JOIN addresses a ON m.sender = a.ROWID\n"
    "LEFT JOIN summaries su ON m.summary = su.ROWID\n"
    "WHERE m.ROWID > ?\n"
    "ORDER BY m.ROWID ASC\n"
    "LIMIT 200";

void log(std::string_view message) {
    DebugLogger::shared().log(message, kCategory);
}
void log(std::string_view message, LogDetails details) {
    DebugLogger::shared().log(message, kCategory, std::move(details));
}

// Subject, a line feed, the summary with its no-break spaces made ordinary, trimmed.
std::string envelopeText(const std::string& subject, const std::string& summary) {
    auto text = fromUtf8(subject + "\n" + summary);
    text.findAndReplace(icu::UnicodeString(static_cast<UChar32>(0x00A0)), icu::UnicodeString(u" "));
    return toUtf8(trimWhitespaceAndNewlines(text));
}

// Whether the database has the table. A check that fails says nothing about the layout.
Expected<bool, SQLiteError> hasTable(SQLiteDB& db, const char* name) {
    auto statement = db.prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
    if (!statement) {
        return Unexpected{std::move(statement).error()};
    }
    sqlite3_bind_text(statement->handle(), 1, name, -1, SQLITE_TRANSIENT);
    const int result = sqlite3_step(statement->handle());
    if (result != SQLITE_ROW && result != SQLITE_DONE) {
        return Unexpected{SQLiteError::stepFailed(result, sqlite3_errmsg(db.handle()))};
    }
    return result == SQLITE_ROW;
}

}  // namespace

EmailManager::EmailManager(std::shared_ptr<const OTPParser> otpParser,
                           AccessCheck hasFullDiskAccess, ConsoleOutput console, QObject* parent)
    : QObject(parent),
      otpParser_(std::move(otpParser)),
      environment_(std::move(hasFullDiskAccess), std::move(console)),
      envelopeIndexPath_(findEnvelopeIndexPath()),
      walFileMonitor_(envelopeIndexPath_.value_or(std::filesystem::path())) {
    // Mail's folders may appear after start, and an upgrade moves the index to a newer V<n>.
    connect(&mailFolderWatch_, &FolderWatch::changed, this, &EmailManager::followNewestIndex);
    connect(&newerVersionWatch_, &FolderWatch::changed, this, &EmailManager::followNewestIndex);
    syncWorkItem_.setSingleShot(true);
    syncWorkItem_.setTimerType(Qt::PreciseTimer);  // a coarse timer may fire 5% early
    connect(&syncWorkItem_, &QTimer::timeout, this, [this] {
        lastSyncFiredAt_ = Clock::now();
        log("Email WAL changed, syncing (coalesced)");
        syncMessages();
    });
    commitWatch_.setInterval(kCommitWatchTick);
    commitWatch_.setTimerType(Qt::PreciseTimer);
    connect(&commitWatch_, &QTimer::timeout, this, [this] {
        const auto version = readDataVersion();
        if (version && syncedDataVersion_ && *version != *syncedDataVersion_) {
            commitWatch_.stop();
            syncMessages();
        } else if (++commitWatchTicks_ >= kCommitWatchTicks) {
            commitWatch_.stop();
        }
    });
    // Queued rather than recursive, as in the Messages source.
    nextBatch_.setSingleShot(true);
    nextBatch_.setInterval(0);
    connect(&nextBatch_, &QTimer::timeout, this, &EmailManager::syncMessages);
    pollTimer_.setInterval(kDefaultPollInterval);
    connect(&pollTimer_, &QTimer::timeout, this, [this] {
        followNewestIndex();  // the safety net for the folder watches too
        syncMessages();
    });
    connect(&walFileMonitor_, &WalFileWatch::changed, this, &EmailManager::handleWALChange);
    connect(&walFileMonitor_, &WalFileWatch::walArmed, this, [this] {
        log("Email WAL monitoring started", {{"path", walFileMonitor_.walPath().string()}});
    });
}

EmailManager::~EmailManager() {
    stop();
}

namespace {

// The numbers n of the V<n> folders under the Mail folder, newest first.
std::vector<long long> mailVersions() {
    std::error_code ec;
    std::filesystem::directory_iterator entries(paths::mailDirectory(), ec);
    std::vector<long long> versions;
    if (ec) {
        return versions;
    }
    for (const auto& entry : entries) {
        const auto name = entry.path().filename().string();
        if (name.size() < 2 || name[0] != 'V') {
            continue;
        }
        long long version = 0;
        const char* first = name.data() + 1;
        const char* last = name.data() + name.size();
        const auto [end, error] = std::from_chars(first, last, version);
        if (error == std::errc() && end == last) {
            versions.push_back(version);
        }
    }
    std::sort(versions.rbegin(), versions.rend());
    return versions;
}

std::filesystem::path mailDataFolder(long long version) {
    return paths::mailDirectory() / ("V" + std::to_string(version)) / "MailData";
}

}  // namespace

std::optional<std::filesystem::path> EmailManager::findEnvelopeIndexPath() {
    std::error_code ec;
    for (const auto version : mailVersions()) {
        const auto candidate = mailDataFolder(version) / "Envelope Index";
        if (std::filesystem::is_regular_file(candidate, ec)) {
            return candidate;
        }
    }
    return std::nullopt;
}

void EmailManager::setPollInterval(std::chrono::milliseconds interval) {
    pollTimer_.setInterval(interval);
}

void EmailManager::start() {
    running_ = true;
    mailFolderWatch_.start(paths::mailDirectory());
    envelopeIndexPath_ = findEnvelopeIndexPath();
    watchForNewerVersion();
    if (!envelopeIndexPath_) {
        log("Apple Mail Envelope Index not found — email detection idle");
        return;
    }
    startReading();
}

void EmailManager::startReading() {
    log("Email detection starting", {{"path", envelopeIndexPath_->string()}});
    walFileMonitor_.setDatabasePath(*envelopeIndexPath_);
    initializeLastProcessedRowId();
    syncMessages();
    startWALMonitoring();
    pollTimer_.start();
}

void EmailManager::stop() {
    running_ = false;
    mailFolderWatch_.stop();
    newerVersionWatch_.stop();
    stopReading();
}

void EmailManager::stopReading() {
    syncWorkItem_.stop();
    nextBatch_.stop();
    commitWatch_.stop();
    pollTimer_.stop();
    walFileMonitor_.stop();
    dropPersistentDB();
}

void EmailManager::followNewestIndex() {
    if (!running_) {
        return;
    }
    watchForNewerVersion();
    auto newest = findEnvelopeIndexPath();
    if (newest == envelopeIndexPath_) {
        return;
    }
    log("Email Envelope Index changed", {{"path", newest ? newest->string() : std::string()}});
    stopReading();
    envelopeIndexPath_ = std::move(newest);
    forgetIndex();
    if (envelopeIndexPath_) {
        startReading();
    }
}

void EmailManager::watchForNewerVersion() {
    const auto versions = mailVersions();
    if (versions.empty()) {
        newerVersionWatch_.stop();
        return;
    }
    // Mail upgrading creates a newer V<n> and fills it later: watch for its index to appear.
    const auto folder = mailDataFolder(versions.front());
    if (envelopeIndexPath_ && envelopeIndexPath_->parent_path() == folder) {
        newerVersionWatch_.stop();
    } else if (!newerVersionWatch_.isActive() || newerVersionWatch_.folder() != folder) {
        newerVersionWatch_.start(folder);
    }
}

void EmailManager::resync() {
    stop();
    QMetaObject::invokeMethod(
        this, [this] { messages_.clear(); }, Qt::QueuedConnection);
    processedRowIds_.clear();
    watermark_.reset();
    start();
}

void EmailManager::forgetIndex() {
    watermark_.reset();
    // A ROWID names an envelope only within one index file.
    processedRowIds_.clear();
}

void EmailManager::dropPersistentDB() {
    persistentDB_.reset();
    openedFile_.reset();
    summariesTable_ = false;
    syncedDataVersion_.reset();
}

std::optional<std::int64_t> EmailManager::readDataVersion() {
    auto db = openPersistentDB();
    if (!db || *db == nullptr) {
        return std::nullopt;
    }
    auto statement = (*db)->prepare("PRAGMA data_version");
    if (!statement || sqlite3_step(statement->handle()) != SQLITE_ROW) {
        return std::nullopt;
    }
    return sqlite3_column_int64(statement->handle(), 0);
}

void EmailManager::watchForCommit() {
    commitWatchTicks_ = 0;
    commitWatch_.start();
}

Expected<SQLiteDB*, SQLiteError> EmailManager::openPersistentDB() {
    if (!envelopeIndexPath_) {
        return static_cast<SQLiteDB*>(nullptr);
    }
    // Mail may rebuild its index as a new file; a connection to the old one would never see
    // another envelope.
    if (persistentDB_ && fileIdentity(*envelopeIndexPath_) != openedFile_) {
        dropPersistentDB();
    }
    if (persistentDB_) {
        return &*persistentDB_;
    }
    const auto file = fileIdentity(*envelopeIndexPath_);
    auto db = SQLiteDB::open(envelopeIndexPath_->string(), true);
    if (!db) {
        return Unexpected{std::move(db).error()};
    }
    // A small page cache is plenty for the few rows above the watermark; a failure is harmless.
    if (auto pragma = db->prepare("PRAGMA cache_size = -256")) {
        sqlite3_step(pragma->handle());
    }
    auto summaries = hasTable(*db, "summaries");
    if (!summaries) {
        return Unexpected{std::move(summaries).error()};
    }
    summariesTable_ = *summaries;
    openedFile_ = file;
    persistentDB_.emplace(std::move(*db));
    return &*persistentDB_;
}

bool EmailManager::initializeLastProcessedRowId() {
    if (!environment_.hasFullDiskAccess() || !envelopeIndexPath_) {
        return false;
    }
    auto db = openPersistentDB();
    if (db && *db == nullptr) {
        return false;
    }
    auto highest = db ? highestRowId(**db, "messages")
                      : Expected<std::int64_t, SQLiteError>(Unexpected{db.error()});
    if (!highest) {
        dropPersistentDB();
        log("Failed to initialize email lastProcessedRowId",
            {{"error", highest.error().description()}});
        return false;
    }
    watermark_.set(*highest, *envelopeIndexPath_);
    log("Initialized email lastProcessedRowId", {{"rowId", *highest}});
    return true;
}

void EmailManager::syncMessages() {
    if (!environment_.hasFullDiskAccess()) {
        log("Email sync skipped — no Full Disk Access");
        return;
    }
    if (!envelopeIndexPath_) {
        return;
    }
    walFileMonitor_.acknowledge();
    auto db = openPersistentDB();
    if (!db) {
        failSync(db.error());
        return;
    }
    if (watermark_.isSet() && !watermark_.countsIn(*envelopeIndexPath_)) {
        log("Email Envelope Index replaced", {{"path", envelopeIndexPath_->string()}});
        forgetIndex();
    }
    syncedDataVersion_ = readDataVersion();
    if (!watermark_.isSet()) {
        // The mail already in the index is never read: the first sync that can read it only
        // takes its newest envelope as the starting point.
        initializeLastProcessedRowId();
        return;
    }
    auto loaded = loadEnvelopesAfterRowId(watermark_.rowId());
    if (!loaded) {
        failSync(loaded.error());
        return;
    }
    if (loaded->interrupted) {
        return;
    }
    if (loaded->highestRowId && *loaded->highestRowId < watermark_.rowId()) {
        // Envelopes gone below the watermark: another file was copied over this one.
        log("Email Envelope Index replaced", {{"path", envelopeIndexPath_->string()}});
        forgetIndex();
        initializeLastProcessedRowId();
        return;
    }
    auto entries = parseNewRecords(*loaded);
    if (!entries) {
        return;
    }
    // Skipped envelopes count too: a batch of empty ones must not be read forever.
    watermark_.advance(loaded->lastRowIdRead);
    if (!entries->empty()) {
        const auto count = entries->size();
        QMetaObject::invokeMethod(
            this, [this, batch = std::move(*entries)] { messages_.append(batch); },
            Qt::QueuedConnection);
        log("Added new email OTPs", {{"count", count}});
    }
    if (loaded->stepError) {
        failSync(*loaded->stepError);
    } else if (loaded->rowsRead == kBatchSize) {
        nextBatch_.start();  // more envelopes may wait behind a full batch
    }
}

void EmailManager::failSync(const SQLiteError& error) {
    dropPersistentDB();  // the next sync opens the database afresh
    log("Error during email sync", {{"error", error.description()}});
}

std::optional<CodeEntries> EmailManager::parseNewRecords(const LoadedEnvelopes& loaded) {
    std::vector<std::int64_t> rowIds;
    auto entries = findCodes(*otpParser_, loaded.records, environment_, [&](const Message& record) {
        if (processedRowIds_.contains(record.rowId)) {
            return false;
        }
        rowIds.push_back(record.rowId);
        return true;
    });
    if (entries) {
        processedRowIds_.insert(rowIds.begin(), rowIds.end());
    }
    return entries;
}

Expected<EmailManager::LoadedEnvelopes, SQLiteError> EmailManager::loadEnvelopesAfterRowId(
    std::int64_t rowId) {
    auto db = openPersistentDB();
    if (!db) {
        return Unexpected{std::move(db).error()};
    }
    LoadedEnvelopes loaded;
    if (*db == nullptr) {
        return loaded;
    }
    auto statement =
        (*db)->prepare(summariesTable_ ? kEnvelopesWithSummariesQuery : kEnvelopesQuery);
    if (!statement) {
        return Unexpected{std::move(statement).error()};
    }
    sqlite3_stmt* const rows = statement->handle();
    sqlite3_bind_int64(rows, 1, rowId);
    readRows(**db, rows, environment_, loaded, [&] {
        const std::int64_t rowIdRead = sqlite3_column_int64(rows, 0);
        loaded.lastRowIdRead = std::max(loaded.lastRowIdRead, rowIdRead);
        auto text =
            envelopeText(textColumn(rows, 1).value_or(""), textColumn(rows, 3).value_or(""));
        if (text.empty()) {
            return;
        }
        auto address = textColumn(rows, 2).value_or("");
        loaded.records.push_back(
            Message{rowIdRead, "email-" + std::to_string(rowIdRead), std::move(text),
                    address.empty() ? kDefaultHandle : std::move(address), std::nullopt, false});
    });
    if (loaded.rowsRead == 0 && !loaded.stepError && !loaded.interrupted) {
        auto highest = highestRowId(**db, "messages");
        if (highest) {
            loaded.highestRowId = *highest;
        } else {
            loaded.stepError = std::move(highest).error();
        }
    }
    return loaded;
}

void EmailManager::injectTestEmail(const std::string& text) {
    auto otp = otpParser_->parse(text);
    if (!otp) {
        environment_.print("Failed to parse test email: " + text);
        return;
    }
    const auto guid =
        "email-test-" + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString();
    messages_.append(
        {CodeEntry{Message{0, guid, text, testSender, std::nullopt, false}, std::move(*otp)}});
}

void EmailManager::startWALMonitoring() {
    if (!envelopeIndexPath_) {
        return;
    }
    const auto wal = walFileMonitor_.walPath();
    std::error_code ec;
    const bool present = std::filesystem::exists(wal, ec);
    // The folder is watched either way: a WAL file that appears later is picked up at once.
    const bool watching = walFileMonitor_.start();
    if (!present) {
        log("Email WAL file not present — relying on poll", {{"path", wal.string()}});
    } else if (!watching) {
        log("Failed to open email WAL file", {{"path", wal.string()}});
    } else {
        log("Email WAL monitoring started", {{"path", wal.string()}});
    }
}

void EmailManager::handleWALChange() {
    const auto now = Clock::now();
    const auto elapsed = lastSyncFiredAt_ ? now - *lastSyncFiredAt_ : Clock::duration::max();
    if (elapsed >= coalesceWindow_) {
        lastSyncFiredAt_ = now;
        syncWorkItem_.stop();
        log("Email WAL changed, syncing (immediate)");
        syncMessages();
        watchForCommit();
        return;
    }
    if (!syncWorkItem_.isActive()) {
        // When the window opened by the last sync closes.
        syncWorkItem_.start(
            std::chrono::ceil<std::chrono::milliseconds>(coalesceWindow_ - elapsed));
    }
}

}  // namespace nabbit
