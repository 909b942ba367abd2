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

namespace nabbit {

// Turns the Messages database into a growing list of code entries. Keeps a ROWID watermark,
// reads the rows above it (at most 100 per sync) after each change of the database's WAL file,
// parses the new texts and publishes every code found. Everything runs on the thread that owns
// the object (the main thread); each query opens its own connection and closes it.
class MessageManager : public QObject {
    Q_OBJECT

  public:
    using AccessCheck = SourceEnvironment::AccessCheck;
    using ConsoleOutput = SourceEnvironment::ConsoleOutput;

    using LoadedMessages = LoadedRecords;

    // `hasFullDiskAccess` answers whether the Messages database can be read (the real check
    // by default); `console` receives the lines printed for the user (standard output by
    // default).
    explicit MessageManager(std::shared_ptr<const OTPParser> otpParser,
                            AccessCheck hasFullDiskAccess = {}, ConsoleOutput console = {},
                            QObject* parent = nullptr);
    ~MessageManager() override;

    const CodeEntryList& messages() const { return messages_; }
    std::int64_t lastProcessedRowId() const { return lastProcessedRowId_; }
    const std::set<std::string>& processedGuids() const { return processedGuids_; }
    bool isWatchingWal() const { return walFileMonitor_.isWatchingWal(); }

    void initializeLastProcessedRowId();
    void syncMessages();
    Expected<CodeEntries, SQLiteError> fetchNewMessages(std::int64_t afterRowId);
    Expected<LoadedMessages, SQLiteError> loadMessagesAfterRowId(std::int64_t rowId);
    void startWALMonitoring();
    void resync();
    void injectTestMessage(const std::string& text);

    // Marks a delivered message read when the user wants that (see MessageReadMarker).
    void markAsRead(const std::string& guid);

    // The quiet time between the last change of the WAL file and the sync.
    std::chrono::milliseconds syncDebounceInterval() const;
    void setSyncDebounceInterval(std::chrono::milliseconds interval);

  private:
    void stopWatching();

    std::shared_ptr<const OTPParser> otpParser_;
    SourceEnvironment environment_;
    CodeEntryList messages_;
    std::set<std::string> processedGuids_;
    std::int64_t lastProcessedRowId_ = 0;
    WalFileWatch walFileMonitor_;
    QTimer syncWorkItem_;  // the pending debounced sync
};

}  // namespace nabbit
