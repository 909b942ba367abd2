#pragma once

#include <filesystem>

#include <QFileSystemWatcher>
#include <QObject>

namespace nabbit {

// Watches a folder that may not exist yet. Until it does, its nearest existing ancestor is
// watched instead, and the watch moves down as the missing folders appear (and up again when
// they go), so that the folder's appearance, and what appears in it, is never missed.
class FolderWatch : public QObject {
    Q_OBJECT

  public:
    explicit FolderWatch(QObject* parent = nullptr) : QObject(parent) {}

    void start(const std::filesystem::path& folder);
    void stop();

    bool isActive() const { return watcher_ != nullptr; }
    const std::filesystem::path& folder() const { return folder_; }
    // Whether the folder itself exists and is watched, rather than an ancestor.
    bool watchesFolder() const { return isActive() && watched_ == folder_; }

  signals:
    // An entry of the watched folder was created, deleted or renamed, or the watch moved.
    void changed();

  private:
    void onChange();
    // Watches the nearest existing folder on the way to folder_.
    void arm();

    std::filesystem::path folder_;
    std::filesystem::path watched_;
    QFileSystemWatcher* watcher_ = nullptr;  // a child of this object
};

}  // namespace nabbit
