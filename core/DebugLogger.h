#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "core/LogValue.h"

namespace nabbit {

// The opt-in diagnostic log, <Documents>/Nabbit_Debug.log. While the preference
// "com.nabbit.app.debugLoggingEnabled" is on, each entry is appended to the file and echoed to
// the console (standard output when it is a terminal, unless told otherwise: the entries hold
// message texts and codes, which must not reach the journal); while it is off, log() reads no file:
// the switch is kept in memory and follows the preferences file (see LoggingSwitch). All file
// and console work runs in submission order on the logger's own worker thread
// ("com.nabbit.app.debugLogger") and every file error is swallowed. The file holds message
// texts and codes, so it is created with mode 0600.
class DebugLogger {
  public:
    // Where entries are echoed besides the file: `terminal` is standard output when that is a
    // terminal, else nowhere. `nabbit watch --verbose` keeps its standard output for code
    // entries and sends them to standard error.
    enum class ConsoleEcho { terminal, none, standardOutput, standardError };

    // The process-wide logger, created on first use. It is never destroyed; at exit its queue
    // is drained, and entries logged after that are written on the caller's thread.
    static DebugLogger& shared();

    // A private logger writing to `logFile` (none: writes nothing), for tests.
    explicit DebugLogger(std::optional<std::filesystem::path> logFile);
    // Writes every entry already submitted, then stops the worker.
    ~DebugLogger();

    DebugLogger(const DebugLogger&) = delete;
    DebugLogger& operator=(const DebugLogger&) = delete;

    void log(std::string_view message, std::string_view category);
    void log(std::string_view message, std::string_view category, LogDetails data);

    // Recreates the file holding only a fresh header, whether logging is on or off.
    void clearLog();

    const std::optional<std::filesystem::path>& logFileURL() const { return logFile_; }

    void setConsoleEcho(ConsoleEcho echo) { consoleEcho_.store(echo); }

    // Blocks until everything submitted so far has been written. Not for the worker itself.
    void flush();

    // Drains the queue and stops the worker; later work runs on the caller's thread.
    void shutdown();

  private:
    void enqueue(std::string_view message, std::string_view category,
                 std::optional<LogDetails> data);
    void submit(std::function<void()> job);
    void runWorker();
    void writeEntry(const std::string& message, const std::string& category,
                    const std::optional<LogDetails>& data) const;
    void recreateWithHeader() const;

    const std::optional<std::filesystem::path> logFile_;
    std::atomic<ConsoleEcho> consoleEcho_{ConsoleEcho::terminal};

    std::mutex queueMutex_;
    std::condition_variable queueChanged_;
    std::deque<std::function<void()>> queue_;
    bool stopped_ = false;
    std::thread worker_;

    // Serialises work that runs on callers' threads once the worker has stopped.
    std::mutex inlineMutex_;
};

}  // namespace nabbit
