#include "core/DebugLogger.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <future>
#include <memory>
#include <mutex>
#include <system_error>
#include <utility>

#include "core/NeverDestroyed.h"
#include "core/Paths.h"
#include "core/PreferenceKeys.h"
#include "core/PreferencesStore.h"
#include "core/TerminalConsole.h"
#include "core/UniqueFd.h"

namespace nabbit {

namespace {

// "yyyy-MM-dd HH:mm:ss.SSS" in local time, taken when the work runs.
std::string timestampNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &local);
    char text[40];
    std::snprintf(text, sizeof text, "%s.%03d", date, static_cast<int>(millis));
    return text;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Writes the header into a temporary file of mode 0600 beside the log and renames it over the
// log, so that a reader never sees a half-written header and the file is never wider than 0600.
void writeHeader(const std::filesystem::path& file, const std::string& timestamp) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    std::string pattern = file.string() + ".XXXXXX";
    UniqueFd fd(::mkstemp(pattern.data()));
    if (!fd) {
        return;
    }
    const std::string header =
        "Nabbit Debug Log\nStarted: " + timestamp + "\n" + std::string(80, '=') + "\n";
    const bool written = writeAll(fd.get(), header);
    fd.reset();
    if (!written || ::rename(pattern.c_str(), file.c_str()) != 0) {
        ::unlink(pattern.c_str());
    }
}

// Whether debug logging is on, without reading the preferences file for every entry. The
// answer is kept in memory; the file is looked at (a stat, no read) at most every 250 ms, and
// read again only when it changed: another inode (QSettings and `nabbit defaults` rewrite it
// atomically), size or modification time. So another process's switch is seen within a
// quarter of a second, and this process's own writes at once. A watch of the file would need
// an event loop, and the logger serves threads and programs that have none.
class LoggingSwitch {
  public:
    static LoggingSwitch& shared() {
        static NeverDestroyed<LoggingSwitch> instance;
        return instance.get();
    }

    bool isOn() {
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        const auto writes = PreferencesStore::writeCount();
        if (now < nextLook_.load() && writes == seenWrites_.load()) {
            return on_.load();
        }
        std::unique_lock lock(mutex_, std::try_to_lock);
        if (!lock.owns_lock()) {
            return on_.load();  // another thread is looking right now
        }
        const auto file = paths::preferencesFile();
        const auto signature = signatureOf(file);
        if (!known_ || signature != *known_ || writes != seenWrites_.load()) {
            known_ = signature;
            on_.store(PreferencesStore(file).boolValue(keys::debugLoggingEnabled).value_or(false));
        }
        seenWrites_.store(writes);
        nextLook_.store(
            now +
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(kLookInterval).count());
        return on_.load();
    }

  private:
    static constexpr std::chrono::milliseconds kLookInterval{250};

    struct Signature {
        std::string path;
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long modifiedNs = 0;
        bool operator==(const Signature&) const = default;
    };

    static Signature signatureOf(const std::filesystem::path& file) {
        Signature signature{file.string()};
        struct stat info {};
        if (::stat(file.c_str(), &info) == 0) {
            signature.exists = true;
            signature.device = info.st_dev;
            signature.inode = info.st_ino;
            signature.size = info.st_size;
            signature.modifiedNs =
                static_cast<long long>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
        }
        return signature;
    }

    std::atomic<bool> on_{false};
    std::atomic<std::chrono::steady_clock::rep> nextLook_{0};
    std::atomic<std::uint64_t> seenWrites_{0};
    std::mutex mutex_;
    std::optional<Signature> known_;  // guarded by mutex_
};

std::optional<std::filesystem::path> sharedLogFile() {
    auto documents = paths::documentsDirectory();
    if (!documents) {
        return std::nullopt;
    }
    return *documents / "Nabbit_Debug.log";
}

}  // namespace

DebugLogger& DebugLogger::shared() {
    static DebugLogger& instance = []() -> DebugLogger& {
        // Never destroyed: static destructors and other threads may still log during exit.
        static NeverDestroyed<DebugLogger> storage(sharedLogFile());
        std::atexit([] { shared().shutdown(); });
        return storage.get();
    }();
    return instance;
}

DebugLogger::DebugLogger(std::optional<std::filesystem::path> logFile)
    : logFile_(std::move(logFile)) {}

DebugLogger::~DebugLogger() {
    shutdown();
}

void DebugLogger::log(std::string_view message, std::string_view category) {
    enqueue(message, category, std::nullopt);
}

void DebugLogger::log(std::string_view message, std::string_view category, LogDetails data) {
    enqueue(message, category, std::move(data));
}

void DebugLogger::enqueue(std::string_view message, std::string_view category,
                          std::optional<LogDetails> data) {
    if (!LoggingSwitch::shared().isOn()) {
        return;
    }
    submit([this, message = std::string(message), category = std::string(category),
            data = std::move(data)] { writeEntry(message, category, data); });
}

void DebugLogger::clearLog() {
    submit([this] { recreateWithHeader(); });
}

void DebugLogger::flush() {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    submit([done] { done->set_value(); });
    finished.wait();
}

void DebugLogger::shutdown() {
    {
        std::lock_guard lock(queueMutex_);
        if (stopped_) {
            return;
        }
        stopped_ = true;
    }
    queueChanged_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
}

void DebugLogger::submit(std::function<void()> job) {
    {
        std::unique_lock lock(queueMutex_);
        if (!stopped_) {
            if (!worker_.joinable()) {
                try {
                    worker_ = std::thread([this] { runWorker(); });
                } catch (const std::system_error&) {
                    // No thread to be had: fall through and do the work here.
                }
            }
            if (worker_.joinable()) {
                queue_.push_back(std::move(job));
                lock.unlock();
                queueChanged_.notify_one();
                return;
            }
        }
    }
    std::lock_guard inlineLock(inlineMutex_);
    job();
}

void DebugLogger::runWorker() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(queueMutex_);
            queueChanged_.wait(lock, [this] { return stopped_ || !queue_.empty(); });
            if (queue_.empty()) {
                return;  // stopped, and everything submitted has been written
            }
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        std::lock_guard inlineLock(inlineMutex_);
        job();
    }
}

void DebugLogger::writeEntry(const std::string& message, const std::string& category,
                             const std::optional<LogDetails>& data) const {
    if (!logFile_) {
        return;
    }
    const std::string timestamp = timestampNow();
    std::string entry = "[" + timestamp + "] [" + category + "] " + message;
    if (data) {
        entry += "\n  Data: " + renderLogDetails(*data);
    }
    entry += "\n";

    std::error_code ec;
    if (!std::filesystem::exists(*logFile_, ec)) {
        writeHeader(*logFile_, timestamp);
    }
    // No O_CREAT: if the header could not be written there is no file to append to.
    UniqueFd fd(::open(logFile_->c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
    if (fd) {
        writeAll(fd.get(), entry);
    }

    std::FILE* stream = nullptr;
    switch (consoleEcho_.load()) {
        case ConsoleEcho::terminal:
            stream = standardOutputIsTerminal() ? stdout : nullptr;
            break;
        case ConsoleEcho::none:
            break;
        case ConsoleEcho::standardOutput:
            stream = stdout;
            break;
        case ConsoleEcho::standardError:
            stream = stderr;
            break;
    }
    if (stream != nullptr) {
        // One call: stdio locks the stream for it, so no other thread's line lands inside.
        const std::string console = entry + "\n";
        std::fwrite(console.data(), 1, console.size(), stream);
        std::fflush(stream);
    }
}

void DebugLogger::recreateWithHeader() const {
    if (!logFile_) {
        return;
    }
    std::error_code ec;
    std::filesystem::remove(*logFile_, ec);
    writeHeader(*logFile_, timestampNow());
}

}  // namespace nabbit
