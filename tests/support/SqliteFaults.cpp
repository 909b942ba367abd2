#include "SqliteFaults.h"

#include <map>
#include <memory>
#include <mutex>
#include <string_view>

namespace nabbit::test {

namespace {

// The VFS callbacks are plain functions: the one live SqliteFaults keeps its settings here.
// Never destroyed: a connection opened through the shim may be closed during exit.
struct Faults {
    std::mutex mutex;
    sqlite3_vfs* vfs = nullptr;
    std::string denied, failing;
    int successes = 0, failures = 0, failed = 0;
    // Each methods table of the files, copied with a failing xRead, and the original.
    std::map<const sqlite3_io_methods*, std::unique_ptr<sqlite3_io_methods>> wrapped;
    std::map<const sqlite3_io_methods*, const sqlite3_io_methods*> originals;
}& faults = *new Faults;

bool names(const char* name, const std::string& suffix) {
    const std::string_view path = name != nullptr ? name : "";
    return !suffix.empty() && (path.ends_with(suffix) || path.ends_with(suffix + "-wal"));
}

int faultyRead(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
    const sqlite3_io_methods* original = nullptr;
    {
        std::lock_guard lock(faults.mutex);
        original = faults.originals.at(file->pMethods);
        if (faults.successes > 0) {
            --faults.successes;
        } else if (faults.failures > 0) {
            --faults.failures;
            ++faults.failed;
            return SQLITE_IOERR_READ;
        }
    }
    return original->xRead(file, buffer, amount, offset);
}

int faultyOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* out) {
    std::unique_lock lock(faults.mutex);
    if ((flags & SQLITE_OPEN_MAIN_DB) != 0 && names(name, faults.denied)) {
        return SQLITE_AUTH;
    }
    const bool failing = names(name, faults.failing);
    lock.unlock();
    const int rc = faults.vfs->xOpen(faults.vfs, name, file, flags, out);
    lock.lock();
    if (rc == SQLITE_OK && failing && file->pMethods != nullptr) {
        auto& copy = faults.wrapped[file->pMethods];
        if (!copy) {
            copy = std::make_unique<sqlite3_io_methods>(*file->pMethods);
            copy->xRead = faultyRead;
            faults.originals[copy.get()] = file->pMethods;
        }
        file->pMethods = copy.get();
    }
    return rc;
}

}  // namespace

SqliteFaults::SqliteFaults() : original_(sqlite3_vfs_find(nullptr)), shim_(*original_) {
    std::lock_guard lock(faults.mutex);
    faults.vfs = original_;
    faults.denied.clear();
    faults.failing.clear();
    faults.successes = faults.failures = faults.failed = 0;
    shim_.zName = "nabbit-faults";
    shim_.pNext = nullptr;
    shim_.xOpen = faultyOpen;
    sqlite3_vfs_register(&shim_, 1);
}

SqliteFaults::~SqliteFaults() {
    sqlite3_vfs_unregister(&shim_);
    sqlite3_vfs_register(original_, 1);
}

void SqliteFaults::denyOpen(std::string suffix) {
    std::lock_guard lock(faults.mutex);
    faults.denied = std::move(suffix);
}

void SqliteFaults::failReads(std::string suffix, int failures, int successes) {
    std::lock_guard lock(faults.mutex);
    faults.failing = std::move(suffix);
    faults.failures = failures;
    faults.successes = successes;
    faults.failed = 0;
}

int SqliteFaults::failedReads() const {
    std::lock_guard lock(faults.mutex);
    return faults.failed;
}

}  // namespace nabbit::test
