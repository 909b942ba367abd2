#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <QObject>
#include <QTimer>

#include "core/Expected.h"
#include "core/SQLiteError.h"
#include "parser/OTPParser.h"
#include "sources/CodeEntryList.h"
#include "sources/CodeSearch.h"
#include "sources/Message.h"
#include "sources/SourceEnvironment.h"
#include "sources/WalFileWatch.h"
#include "sources/Watermark.h"

namespace nabbit {

// Turns the Messages database into a growing list of code entries. Keeps a ROWID watermark,
// reads the rows above it (100 per batch, batch after batch until the backlog is read) after
// each change of the database's WAL file, parses the new texts and publishes every code found.
// History is never read: the watermark starts at the newest row of the first sync that can
// read the database, and starts again there when the file is replaced. Everything runs on the
// thread that owns the object (the main thread); each query opens its own connection.
class MessageManager : public QObject {
    Q_OBJECT

  public:
    using AccessCheck = SourceEnvironment::AccessCheck;
    using ConsoleOutput = SourceEnvironment::ConsoleOutput;
    using StopCheck = SourceEnvironment::StopCheck;

    using LoadedMessages = LoadedRecords;

    // `hasFullDiskAccess` answers whether the Messages database can be read (the real check
    // by default); `console` receives the lines printed for the user (standard output by
    // default).
    explicit MessageManager(std::shared_ptr<const OTPParser> otpParser,
                            AccessCheck hasFullDiskAccess = {}, ConsoleOutput console = {},
                            QObject* parent = nullptr);
    ~MessageManager() override;

    const CodeEntryList& messages() const { return messages_; }
    // 0 while the watermark is not set.
    std::int64_t lastProcessedRowId() const { return watermark_.rowId(); }
    const std::set<std::string>& processedGuids() const { return processedGuids_; }
    bool isWatchingWal() const { return walFileMonitor_.isWatchingWal(); }

    // Sets the watermark to the newest row; returns whether it could.
    bool initializeLastProcessedRowId();
    void syncMessages();
    void startWALMonitoring();
    // Lets a sync end between two rows when `check` answers true (a quit requested).
    void setStopCheck(StopCheck check) { environment_.setStopCheck(std::move(check)); }
    void resync();
    void injectTestMessage(const std::string& text);

    // Marks a delivered message read when the user wants that (see MessageReadMarker).
    void markAsRead(const std::string& guid);

    // The quiet time between the last change of the WAL file and the sync.
    std::chrono::milliseconds syncDebounceInterval() const;
    void setSyncDebounceInterval(std::chrono::milliseconds interval);

  private:
    // Nothing when the watermark is set.
    std::optional<SQLiteError> setWatermarkToNewestRow();
    Expected<LoadedMessages, SQLiteError> loadMessagesAfterRowId(std::int64_t rowId);
    // The entries of the records not seen before; nothing when a stop was requested.
    std::optional<CodeEntries> parseNewRecords(const LoadedMessages& loaded);
    void reportSyncError(const SQLiteError& error);
    void stopWatching();

    std::shared_ptr<const OTPParser> otpParser_;
    SourceEnvironment environment_;
    CodeEntryList messages_;
    std::set<std::string> processedGuids_;
    Watermark watermark_;
    WalFileWatch walFileMonitor_;
    QTimer syncWorkItem_;  // the pending debounced sync
    QTimer nextBatch_;     // the sync that goes on with a backlog
};

}  // namespace nabbit
