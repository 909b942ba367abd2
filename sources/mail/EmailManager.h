#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <QObject>
#include <QTimer>

#include "core/Expected.h"
#include "core/SQLiteDB.h"
#include "core/SQLiteError.h"
#include "parser/OTPParser.h"
#include "sources/CodeEntryList.h"
#include "sources/CodeSearch.h"
#include "sources/FolderWatch.h"
#include "sources/Message.h"
#include "sources/SourceEnvironment.h"
#include "sources/WalFileWatch.h"
#include "sources/Watermark.h"

namespace nabbit {

// Finds codes in mail through Mail's local envelope database (the newest
// ~/Library/Mail/V<n>/MailData/Envelope Index), read through one persistent read-only
// connection. Like the Messages reader it keeps a ROWID watermark, never reads the history
// already in the index, and publishes the codes of new envelopes (subject and summary), 200
// per batch, batch after batch until a backlog is read. It syncs at once on a change of the
// database's WAL file after a quiet spell, folds the changes of the next 0.3 s into one later
// sync, and also polls every 10 s. Everything runs on the thread that owns the object (the
// main thread).
class EmailManager : public QObject {
    Q_OBJECT

  public:
    using AccessCheck = SourceEnvironment::AccessCheck;
    using ConsoleOutput = SourceEnvironment::ConsoleOutput;
    using StopCheck = SourceEnvironment::StopCheck;
    using Clock = std::chrono::steady_clock;

    using LoadedEnvelopes = LoadedRecords;

    // The sender of injected test mails.
    static constexpr const char* testSender = "test@nabbit.invalid";

    explicit EmailManager(std::shared_ptr<const OTPParser> otpParser,
                          AccessCheck hasFullDiskAccess = {}, ConsoleOutput console = {},
                          QObject* parent = nullptr);
    ~EmailManager() override;

    // The newest Envelope Index under ~/Library/Mail (numeric order of the V<n> folders).
    static std::optional<std::filesystem::path> findEnvelopeIndexPath();

    // Detection runs until stop(): the Mail folder is watched even before it exists, and
    // when a newer V<n> gets an index, reading moves to it (from its newest envelope).

    const CodeEntryList& messages() const { return messages_; }
    const std::optional<std::filesystem::path>& envelopeIndexPath() const {
        return envelopeIndexPath_;
    }
    // 0 while the watermark is not set.
    std::int64_t lastProcessedRowId() const { return watermark_.rowId(); }
    const std::set<std::int64_t>& processedRowIds() const { return processedRowIds_; }
    bool hasPersistentConnection() const { return persistentDB_.has_value(); }
    bool isWatchingWal() const { return walFileMonitor_.isWatchingWal(); }
    bool isPolling() const { return pollTimer_.isActive(); }
    bool hasPendingSync() const { return syncWorkItem_.isActive(); }
    bool isWaitingForCommit() const { return commitWatch_.isActive(); }

    void start();
    void stop();
    void resync();
    // Sets the watermark to the newest envelope; returns whether it could.
    bool initializeLastProcessedRowId();
    void syncMessages();
    // The open connection, opened when needed; null when Mail is not set up.
    Expected<SQLiteDB*, SQLiteError> openPersistentDB();
    void injectTestEmail(const std::string& text);
    // Lets a sync end between two rows when `check` answers true (a quit requested).
    void setStopCheck(StopCheck check) { environment_.setStopCheck(std::move(check)); }

    void startWALMonitoring();
    void handleWALChange();

    // The timings of the watch; tests shorten them.
    void setCoalesceWindow(std::chrono::milliseconds window) { coalesceWindow_ = window; }
    void setPollInterval(std::chrono::milliseconds interval);

  private:
    void startReading();
    void stopReading();
    // Moves to the newest Envelope Index when it is not the one being read.
    void followNewestIndex();
    void watchForNewerVersion();
    Expected<LoadedEnvelopes, SQLiteError> loadEnvelopesAfterRowId(std::int64_t rowId);
    std::optional<CodeEntries> parseNewRecords(const LoadedEnvelopes& loaded);
    void failSync(const SQLiteError& error);
    // A new index file (rebuilt, or another V<n>): its ROWIDs start anew.
    void forgetIndex();
    void dropPersistentDB();
    // The connection's count of commits by other connections (PRAGMA data_version).
    std::optional<std::int64_t> readDataVersion();
    void watchForCommit();

    std::shared_ptr<const OTPParser> otpParser_;
    SourceEnvironment environment_;
    CodeEntryList messages_;
    std::set<std::int64_t> processedRowIds_;
    Watermark watermark_;
    std::optional<std::filesystem::path> envelopeIndexPath_;
    bool running_ = false;
    FolderWatch mailFolderWatch_;    // ~/Library/Mail, or its nearest existing ancestor
    FolderWatch newerVersionWatch_;  // the newest V<n>/MailData while it has no index

    // The connection, whether summaries are read through their own table (decided once per
    // connection from its schema), and the file it was opened on.
    std::optional<SQLiteDB> persistentDB_;
    bool summariesTable_ = false;
    std::optional<FileIdentity> openedFile_;

    WalFileWatch walFileMonitor_;
    QTimer syncWorkItem_;  // the pending coalesced sync
    QTimer nextBatch_;     // the sync that goes on with a backlog
    QTimer pollTimer_;
    // A WAL change is announced while the writer is still committing (its frames are written,
    // then synced, and only then visible). After a change-triggered sync the commit counter is
    // watched for a while, and the first commit that becomes visible is read at once.
    QTimer commitWatch_;
    int commitWatchTicks_ = 0;
    std::optional<std::int64_t> syncedDataVersion_;  // the commits the last sync could see
    std::chrono::milliseconds coalesceWindow_{300};
    std::optional<Clock::time_point> lastSyncFiredAt_;  // none: the distant past
};

}  // namespace nabbit
