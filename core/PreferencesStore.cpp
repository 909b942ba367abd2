#include "core/PreferencesStore.h"

#include <fcntl.h>
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
#include <ctime>
#include <map>
#include <mutex>
#include <optional>

#include "core/NeverDestroyed.h"
#include "core/Paths.h"
#include "core/SystemLog.h"
#include "core/UniqueFd.h"

namespace nabbit {

namespace {

// Preferences are a few hundred bytes; anything this large is not ours.
constexpr off_t maximumFileSize = 1 << 20;

enum class FileState { absent, usable, corrupt, unavailable };

struct FileSnapshot {
    off_t size = 0;
    long long modifiedMs = 0;
    std::string contents;
};

long long modifiedMilliseconds(const struct stat& info) {
    return static_cast<long long>(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
}

// QSettings keeps every file it has parsed in a process-wide cache and parses it again only
// when its size or its modification time (in milliseconds) changed. File times advance in
// clock ticks of a few milliseconds, so a second process can rewrite the file to the same size
// within one tick and QSettings would keep answering with the old values. We read the file
// ourselves anyway (to recognise a corrupt one), so we remember what QSettings last saw and,
// when the contents changed behind an unchanged size and time, move the modification time on
// by a millisecond: that makes QSettings parse it again.
class SeenFiles {
  public:
    void refresh(const std::string& path, int fd, const struct stat& info, std::string contents) {
        std::lock_guard lock(mutex_);
        FileSnapshot now{info.st_size, modifiedMilliseconds(info), std::move(contents)};
        auto seen = files_.find(path);
        if (seen != files_.end() && seen->second.size == now.size &&
            seen->second.modifiedMs == now.modifiedMs && seen->second.contents != now.contents) {
            timespec times[2];
            times[0].tv_sec = 0;
            times[0].tv_nsec = UTIME_OMIT;
            const long long bumped = now.modifiedMs + 1;
            times[1].tv_sec = static_cast<time_t>(bumped / 1000);
            times[1].tv_nsec = static_cast<long>(bumped % 1000) * 1000000;
            if (::futimens(fd, times) == 0) {
                now.modifiedMs = bumped;
            }
        }
        files_[path] = std::move(now);
    }

  private:
    std::mutex mutex_;
    std::map<std::string, FileSnapshot> files_;
};

// Never destroyed: the debug log reads preferences for callers that may log during exit.
SeenFiles& seenFiles() {
    static NeverDestroyed<SeenFiles> files;
    return files.get();
}

bool isValidUtf8(const std::string& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString decoded = decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    return !decoder.hasError();
}

// Reads the file, recognises what QSettings cannot be trusted with, and keeps the QSettings
// cache honest (see SeenFiles).
FileState inspect(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return errno == ENOENT ? FileState::absent : FileState::unavailable;
    }
    if (!S_ISREG(info.st_mode) || info.st_size > maximumFileSize) {
        return FileState::corrupt;
    }
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        if (errno == ENOENT) {
            return FileState::absent;
        }
        return (errno == EACCES || errno == EPERM) ? FileState::corrupt : FileState::unavailable;
    }
    std::string contents;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return FileState::unavailable;
        }
        if (got == 0) {
            break;
        }
        contents.append(buffer, static_cast<std::size_t>(got));
        if (contents.size() > static_cast<std::size_t>(maximumFileSize)) {
            return FileState::corrupt;
        }
    }
    if (::fstat(fd.get(), &info) != 0) {
        return FileState::unavailable;
    }
    const bool binary = contents.find('\0') != std::string::npos || !isValidUtf8(contents);
    // Recorded even for a bad file: QSettings may have parsed it, and a later file of the same
    // size and time must not be mistaken for it.
    seenFiles().refresh(path.string(), fd.get(), info, std::move(contents));
    return binary ? FileState::corrupt : FileState::usable;
}

std::string timeSuffix() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

// Keeps a bad file for the user to look at rather than letting the next write replace it.
// Returns whether the path is free now.
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

}  // namespace

PreferencesStore::PreferencesStore(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path PreferencesStore::file() const {
    return file_ ? *file_ : paths::preferencesFile();
}

namespace {

// Runs `use` on a QSettings of a file that is absent or readable; returns nothing when the
// file cannot be used this time (a transient error: nothing is moved or written).
// QSettings parses lazily, on the first access: only then does status() tell.
bool parsesCleanly(QSettings& settings) {
    settings.allKeys();
    return settings.status() == QSettings::NoError;
}

// Runs `use` on a QSettings of a file that is absent or readable; returns nothing when the
// file cannot be used this time (a transient error: nothing is moved or written).
template <class Use>
auto withSettings(const std::filesystem::path& path, Use use)
    -> std::optional<decltype(use(std::declval<QSettings&>()))> {
    const FileState state = inspect(path);
    if (state == FileState::unavailable) {
        return std::nullopt;
    }
    if (state == FileState::corrupt && !keepAside(path)) {
        return std::nullopt;
    }
    const QString fileName = QString::fromStdString(path.string());
    {
        QSettings settings(fileName, QSettings::IniFormat);
        if (parsesCleanly(settings)) {
            return use(settings);
        }
    }
    if (state == FileState::corrupt || !keepAside(path)) {
        return std::nullopt;
    }
    QSettings settings(fileName, QSettings::IniFormat);
    if (!parsesCleanly(settings)) {
        return std::nullopt;
    }
    return use(settings);
}

std::atomic<std::uint64_t> writes{0};

bool write(const std::filesystem::path& path, std::string_view key,
           const std::optional<QVariant>& value) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    const auto written = withSettings(path, [&](QSettings& settings) {
        if (value) {
            settings.setValue(toQString(key), *value);
        } else {
            settings.remove(toQString(key));
        }
        settings.sync();
        return settings.status() == QSettings::NoError;
    });
    // QSettings now holds our own write; remember that file as the one it has seen.
    inspect(path);
    writes.fetch_add(1);
    return written.value_or(false);
}

}  // namespace

std::optional<std::string> PreferencesStore::value(std::string_view key) const {
    const auto found = withSettings(
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

std::vector<std::pair<std::string, std::string>> PreferencesStore::allValues() const {
    auto all = withSettings(file(), [](QSettings& settings) {
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

bool PreferencesStore::remove(std::string_view key) const {
    return write(file(), key, std::nullopt);
}

std::uint64_t PreferencesStore::writeCount() {
    return writes.load();
}

}  // namespace nabbit
