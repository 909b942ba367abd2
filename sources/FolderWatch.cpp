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

namespace {

// The deepest folder on the way to `folder` that exists.
std::filesystem::path nearestExisting(std::filesystem::path folder) {
    std::error_code ec;
    while (!std::filesystem::is_directory(folder, ec) && folder.has_relative_path()) {
        folder = folder.parent_path();
    }
    return folder;
}

}  // namespace

void FolderWatch::arm() {
    const auto nearest = nearestExisting(folder_);
    const auto path = QString::fromStdString(nearest.string());
    if (nearest == watched_ && watcher_->directories().contains(path)) {
        return;
    }
    if (!watched_.empty()) {
        watcher_->removePath(QString::fromStdString(watched_.string()));
    }
    watched_ = nearest;
    watcher_->addPath(path);
    // A folder made between finding the nearest one and watching it sends no event to the new
    // watch: when one has appeared meanwhile, the watch moves on to it.
    if (nearestExisting(folder_) != nearest) {
        arm();
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
