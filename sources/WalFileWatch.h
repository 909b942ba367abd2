#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include <QFileSystemWatcher>
#include <QObject>

#include "sources/FolderWatch.h"

namespace nabbit {

// Watches the write-ahead log of a database that another program writes. Reports a change when
// the WAL file or the database file is in a different state from the one last acknowledged, so
// that the opening and closing of our own connections (SQLite creates and deletes an empty WAL
// around them when no other connection is open) is not mistaken for new data.
//
// The folder is watched too (or, until it exists, its nearest existing ancestor): when the WAL
// file is deleted and created again, or appears only after the watch started, the new file is
// watched at once, and a database that appears later is reported as a change.
class WalFileWatch : public QObject {
    Q_OBJECT

  public:
    explicit WalFileWatch(std::filesystem::path databasePath, QObject* parent = nullptr);

    // Another database to watch from the next start().
    void setDatabasePath(std::filesystem::path databasePath);

    // Starts watching the folder and, when it exists, the WAL file. Returns whether the WAL
    // file is watched.
    bool start();
    void stop();

    bool isWatchingWal() const;
    const std::filesystem::path& walPath() const { return walPath_; }

    // Records the current state of the files as seen: call it before reading the database.
    // Until the first call every event counts as a change.
    void acknowledge();

  signals:
    // The files changed since the last acknowledged state.
    void changed();
    // The WAL file appeared (again) and is now watched.
    void walArmed();

  private:
    struct FileState {
        bool exists = false;
        std::uintmax_t size = 0;
        std::int64_t modifiedNs = 0;
        std::uintmax_t inode = 0;
        friend bool operator==(const FileState&, const FileState&) = default;
    };
    struct State {
        FileState database;
        FileState wal;
        friend bool operator==(const State&, const State&) = default;
    };

    static FileState stateOf(const std::filesystem::path& path);
    State currentState() const;
    void onEvent();
    bool armWal();

    std::filesystem::path databasePath_;
    std::filesystem::path walPath_;
    FolderWatch folder_;
    QFileSystemWatcher* watcher_ = nullptr;  // the WAL file; a child of this object
    std::optional<State> acknowledged_;
    bool running_ = false;
};

}  // namespace nabbit
