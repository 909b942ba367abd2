#include "sources/FolderWatch.h"

#include <system_error>

namespace nabbit {

void FolderWatch::start(const std::filesystem::path& folder) {
    stop();
    folder_ = folder;
    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &FolderWatch::onChange);
    arm();
}

void FolderWatch::stop() {
    if (watcher_ != nullptr) {
        // stop() may run inside the watcher's own signal: disconnect now, delete later (at the
        // latest with this object, its parent).
        watcher_->disconnect(this);
        watcher_->deleteLater();
        watcher_ = nullptr;
    }
    watched_.clear();
}

void FolderWatch::arm() {
    // A folder that appears between finding the nearest one and watching it would go unseen
    // (its creation was not watched yet): look again after each move until the watch stands.
    for (;;) {
        auto nearest = folder_;
        std::error_code ec;
        while (!std::filesystem::is_directory(nearest, ec) && nearest.has_relative_path()) {
            nearest = nearest.parent_path();
        }
        const auto path = QString::fromStdString(nearest.string());
        if (nearest == watched_ && watcher_->directories().contains(path)) {
            return;
        }
        if (!watched_.empty()) {
            watcher_->removePath(QString::fromStdString(watched_.string()));
        }
        watched_ = nearest;
        if (!watcher_->addPath(path)) {
            watched_.clear();
            if (std::filesystem::is_directory(nearest, ec)) {
                return;  // it exists but cannot be watched (no inotify watches left)
            }
            // It went again: its parent is watched on the next pass.
        }
    }
}

void FolderWatch::onChange() {
    if (watcher_ == nullptr) {
        return;
    }
    arm();
    emit changed();
}

}  // namespace nabbit
