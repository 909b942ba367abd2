#include "core/PreferencesStore.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QSettings>
#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <QVariant>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <optional>
#include <set>

#include "core/NeverDestroyed.h"
#include "core/Paths.h"
#include "core/SystemLog.h"
#include "core/UniqueFd.h"

namespace nabbit {

namespace {

// Preferences are a few hundred bytes; anything this large is not ours.
constexpr std::size_t maximumFileSize = 1 << 20;

// What reading the file found. Only a file that was read and found wrong is corrupt; one that
// could not be read at all (no permission, not a regular file) is unreadable and left alone.
struct Snapshot {
    enum class State { absent, usable, corrupt, unreadable };
    State state = State::absent;
    std::string contents;
    struct stat info {};
    std::string reason;  // why an unreadable file could not be read
};

bool isValidUtf8(const std::string& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString decoded = decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    return !decoder.hasError();
}

Snapshot unreadable(std::string reason) {
    Snapshot snapshot;
    snapshot.state = Snapshot::State::unreadable;
    snapshot.reason = std::move(reason);
    return snapshot;
}

// Reads the whole file. Never changes it.
Snapshot readSnapshot(const std::filesystem::path& path) {
    Snapshot snapshot;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        return errno == ENOENT ? snapshot : unreadable(std::strerror(errno));
    }
    if (::fstat(fd.get(), &snapshot.info) != 0) {
        return unreadable(std::strerror(errno));
    }
    if (!S_ISREG(snapshot.info.st_mode)) {
        return unreadable("not a regular file");
    }
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return unreadable(std::strerror(errno));
        }
        if (got == 0) {
            break;
        }
        snapshot.contents.append(buffer, static_cast<std::size_t>(got));
        if (snapshot.contents.size() > maximumFileSize) {
            snapshot.state = Snapshot::State::corrupt;
            return snapshot;
        }
    }
    const bool binary =
        snapshot.contents.find('\0') != std::string::npos || !isValidUtf8(snapshot.contents);
    snapshot.state = binary ? Snapshot::State::corrupt : Snapshot::State::usable;
    return snapshot;
}

// Says once why a file cannot be read, and again only after it could be read in between.
class UnreadableWarnings {
  public:
    void unreadable(const std::filesystem::path& path, const std::string& reason) {
        std::lock_guard lock(mutex_);
        if (warned_.insert(path.string()).second) {
            systemLog("[Nabbit] Preferences file " + path.string() + " cannot be read (" + reason +
                      "); using the default settings, and changes are not saved " +
                      "until it can be read. The file is left as it is.");
        }
    }
    void readable(const std::filesystem::path& path) {
        std::lock_guard lock(mutex_);
        warned_.erase(path.string());
    }

  private:
    std::mutex mutex_;
    std::set<std::string> warned_;
};

UnreadableWarnings& unreadableWarnings() {
    static NeverDestroyed<UnreadableWarnings> warnings;
    return warnings.get();
}

std::string timeSuffix() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

// Keeps a corrupt file for the user to look at rather than letting the next write replace
// it. Returns whether the path is free now.
bool keepAside(const std::filesystem::path& path) {
    const std::string base = path.string() + ".corrupt-" + timeSuffix();
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const std::string target = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
            systemLog("[Nabbit] Preferences file could not be read; kept it as " + target +
                      " and using defaults");
            return true;
        }
        if (errno != EEXIST) {
            return errno == ENOENT;  // another process moved it first, or it cannot be moved
        }
    }
    return false;
}

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::optional<std::string> scalarText(const QVariant& value) {
    if (!value.isValid()) {
        return std::nullopt;
    }
    if (value.metaType().id() == QMetaType::QStringList) {
        return value.toStringList().join(QStringLiteral(", ")).toStdString();
    }
    if (value.canConvert<QString>()) {
        return value.toString().toStdString();
    }
    return std::string("<") + value.typeName() + ">";
}

// QSettings parses lazily, on the first access: only then does status() tell.
bool parsesCleanly(QSettings& settings) {
    settings.allKeys();
    return settings.status() == QSettings::NoError;
}

// QSettings keeps every file it has parsed in a process-wide cache and parses it again only
// when its size or its modification time (in milliseconds) changed, so a rewrite of the same
// size within one clock tick would go unseen. Reads therefore hand QSettings the text already
// read, in an anonymous memory file under a name and a time it has not seen with that text:
// the real file is never touched by reading.
template <class Use>
auto parseText(const std::string& text, Use use)
    -> std::optional<decltype(use(std::declval<QSettings&>()))> {
    static std::atomic<long long> parses{0};
    UniqueFd memory(::memfd_create("nabbit-preferences", MFD_CLOEXEC));
    if (!memory ||
        ::write(memory.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        return std::nullopt;
    }
    const timespec times[2] = {{0, UTIME_OMIT}, {1'000'000'000 + parses.fetch_add(1), 0}};
    ::futimens(memory.get(), times);
    QSettings settings(QStringLiteral("/proc/self/fd/%1").arg(memory.get()), QSettings::IniFormat);
    if (!parsesCleanly(settings)) {
        return std::nullopt;
    }
    return use(settings);
}

// Runs `use` on the settings in the file, or returns nothing, the caller's fallback, when the
// file is absent, cannot be read (warned about once), or is corrupt (kept aside).
template <class Use>
auto readSettings(const std::filesystem::path& path, Use use)
    -> std::optional<decltype(use(std::declval<QSettings&>()))> {
    const Snapshot snapshot = readSnapshot(path);
    if (snapshot.state == Snapshot::State::unreadable) {
        unreadableWarnings().unreadable(path, snapshot.reason);
        return std::nullopt;
    }
    unreadableWarnings().readable(path);
    if (snapshot.state == Snapshot::State::absent) {
        return std::nullopt;
    }
    if (snapshot.state == Snapshot::State::usable) {
        if (auto result = parseText(snapshot.contents, use)) {
            return result;
        }
    }
    keepAside(path);
    return std::nullopt;
}

long long modifiedMilliseconds(const struct stat& info) {
    return static_cast<long long>(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
}

// Writes go through QSettings on the real file, so its cache matters there: we remember what
// QSettings last parsed of each file (after our own writes) and, when the contents changed
// behind an unchanged size and time, move the modification time on by a millisecond before
// writing, which makes QSettings parse the file again instead of merging into a stale copy.
class SeenFiles {
  public:
    void beforeWrite(const std::filesystem::path& path, const Snapshot& now) {
        std::lock_guard lock(mutex_);
        auto seen = files_.find(path.string());
        if (seen == files_.end() || seen->second.size != now.info.st_size ||
            seen->second.modifiedMs != modifiedMilliseconds(now.info) ||
            seen->second.contents == now.contents) {
            return;
        }
        const long long bumped = modifiedMilliseconds(now.info) + 1;
        const timespec times[2] = {
            {0, UTIME_OMIT},
            {static_cast<time_t>(bumped / 1000), static_cast<long>(bumped % 1000) * 1000000}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
    void afterWrite(const std::filesystem::path& path) {
        const Snapshot written = readSnapshot(path);
        std::lock_guard lock(mutex_);
        files_[path.string()] = {written.info.st_size, modifiedMilliseconds(written.info),
                                 written.contents};
    }

  private:
    struct Seen {
        off_t size = 0;
        long long modifiedMs = 0;
        std::string contents;
    };
    std::mutex mutex_;
    std::map<std::string, Seen> files_;
};

// Never destroyed: the debug log reads preferences for callers that may log during exit.
SeenFiles& seenFiles() {
    static NeverDestroyed<SeenFiles> files;
    return files.get();
}

std::atomic<std::uint64_t> writes{0};

bool write(const std::filesystem::path& path, std::string_view key,
           const std::optional<QVariant>& value) {
    const Snapshot snapshot = readSnapshot(path);
    if (snapshot.state == Snapshot::State::unreadable) {
        // Writing would replace every setting the file holds with this one.
        unreadableWarnings().unreadable(path, snapshot.reason);
        return false;
    }
    unreadableWarnings().readable(path);
    if (snapshot.state == Snapshot::State::corrupt ||
        (snapshot.state == Snapshot::State::usable &&
         !parseText(snapshot.contents, [](QSettings&) { return true; }))) {
        if (!keepAside(path)) {
            return false;
        }
    } else if (snapshot.state == Snapshot::State::usable) {
        seenFiles().beforeWrite(path, snapshot);
    }
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    bool written = false;
    {
        QSettings settings(QString::fromStdString(path.string()), QSettings::IniFormat);
        if (value) {
            settings.setValue(toQString(key), *value);
        } else {
            settings.remove(toQString(key));
        }
        settings.sync();
        written = settings.status() == QSettings::NoError;
    }
    seenFiles().afterWrite(path);
    writes.fetch_add(1);
    return written;
}

}  // namespace

PreferencesStore::PreferencesStore(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path PreferencesStore::file() const {
    return file_ ? *file_ : paths::preferencesFile();
}

std::optional<std::string> PreferencesStore::value(std::string_view key) const {
    const auto found = readSettings(
        file(), [&](QSettings& settings) { return scalarText(settings.value(toQString(key))); });
    return found ? *found : std::nullopt;
}

std::optional<bool> PreferencesStore::boolValue(std::string_view key) const {
    const auto text = value(key);
    if (!text) {
        return std::nullopt;
    }
    const QString word = QString::fromStdString(*text).toLower();
    if (word == QLatin1String("true") || word == QLatin1String("1")) {
        return true;
    }
    if (word == QLatin1String("false") || word == QLatin1String("0")) {
        return false;
    }
    return std::nullopt;
}

std::optional<long long> PreferencesStore::integerValue(std::string_view key) const {
    const auto text = value(key);
    if (!text || text->empty()) {
        return std::nullopt;
    }
    std::string_view digits = *text;
    const bool plusSign = digits.front() == '+';
    if (plusSign) {
        digits.remove_prefix(1);
    }
    if (digits.empty() || (plusSign && digits.front() == '-')) {
        return std::nullopt;
    }
    long long number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return number;
}

std::optional<std::vector<std::string>> PreferencesStore::stringListValue(
    std::string_view key) const {
    const auto found = readSettings(file(), [&](QSettings& settings) {
        const QVariant value = settings.value(toQString(key));
        std::optional<std::vector<std::string>> list;
        if (!value.isValid()) {
            return list;
        }
        list.emplace();
        const QStringList items = value.metaType().id() == QMetaType::QStringList
                                      ? value.toStringList()
                                      : QStringList{value.toString()};
        for (const QString& item : items) {
            if (!item.isEmpty()) {
                list->push_back(item.toStdString());
            }
        }
        return list;
    });
    return found ? *found : std::nullopt;
}

std::vector<std::pair<std::string, std::string>> PreferencesStore::allValues() const {
    auto all = readSettings(file(), [](QSettings& settings) {
        std::vector<std::pair<std::string, std::string>> values;
        QStringList keys = settings.allKeys();
        keys.sort();
        for (const QString& key : keys) {
            if (auto text = scalarText(settings.value(key))) {
                values.emplace_back(key.toStdString(), std::move(*text));
            }
        }
        return values;
    });
    return all ? std::move(*all) : std::vector<std::pair<std::string, std::string>>{};
}

bool PreferencesStore::setBool(std::string_view key, bool value) const {
    return write(file(), key, QVariant(value));
}

bool PreferencesStore::setInteger(std::string_view key, long long value) const {
    return write(file(), key, QVariant(value));
}

bool PreferencesStore::setString(std::string_view key, std::string_view value) const {
    return write(file(), key, QVariant(toQString(value)));
}

bool PreferencesStore::setStringList(std::string_view key,
                                     const std::vector<std::string>& value) const {
    QStringList items;
    for (const auto& item : value) {
        items.append(toQString(item));
    }
    return write(file(), key, QVariant(items));
}

bool PreferencesStore::remove(std::string_view key) const {
    return write(file(), key, std::nullopt);
}

std::uint64_t PreferencesStore::writeCount() {
    return writes.load();
}

}  // namespace nabbit
