#include "sources/WalFileWatch.h"

#include <sys/stat.h>

namespace nabbit {

WalFileWatch::WalFileWatch(std::filesystem::path databasePath, QObject* parent) : QObject(parent) {
    setDatabasePath(std::move(databasePath));
    connect(&folder_, &FolderWatch::changed, this, &WalFileWatch::onEvent);
}

void WalFileWatch::setDatabasePath(std::filesystem::path databasePath) {
    stop();
    databasePath_ = std::move(databasePath);
    walPath_ = databasePath_.string() + "-wal";
}

WalFileWatch::FileState WalFileWatch::stateOf(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return {};
    }
    return FileState{
        true, static_cast<std::uintmax_t>(info.st_size),
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
        static_cast<std::uintmax_t>(info.st_ino)};
}

WalFileWatch::State WalFileWatch::currentState() const {
    return State{stateOf(databasePath_), stateOf(walPath_)};
}

bool WalFileWatch::start() {
    stop();
    running_ = true;
    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &WalFileWatch::onEvent);
    folder_.start(walPath_.parent_path());
    return armWal();
}

void WalFileWatch::stop() {
    running_ = false;
    acknowledged_.reset();
    folder_.stop();
    if (watcher_ != nullptr) {
        // stop() may run inside one of the watcher's own signals: disconnect now, delete later
        // (at the latest with this object, its parent).
        watcher_->disconnect(this);
        watcher_->deleteLater();
        watcher_ = nullptr;
    }
}

bool WalFileWatch::isWatchingWal() const {
    return watcher_ != nullptr &&
           watcher_->files().contains(QString::fromStdString(walPath_.string()));
}

bool WalFileWatch::armWal() {
    if (watcher_ == nullptr) {
        return false;
    }
    if (isWatchingWal()) {
        return true;
    }
    return watcher_->addPath(QString::fromStdString(walPath_.string()));
}

void WalFileWatch::acknowledge() {
    acknowledged_ = currentState();
}

void WalFileWatch::onEvent() {
    if (!running_) {
        return;
    }
    // A deleted WAL drops out of the watch; a new one is picked up as soon as it exists.
    if (!isWatchingWal() && armWal()) {
        emit walArmed();
    }
    if (acknowledged_ && *acknowledged_ == currentState()) {
        return;
    }
    emit changed();
}

}  // namespace nabbit
