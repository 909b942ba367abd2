#include "SqliteFaults.h"

#include <mutex>
#include <string_view>

namespace nabbit::test {

namespace {

// The VFS callbacks are plain functions: the one live SqliteFaults keeps its settings here.
struct Faults {
    std::mutex mutex;
    sqlite3_vfs* original = nullptr;
    std::string deniedSuffix;
    std::string readSuffix;
    int readsBeforeFailure = 0;
    int failuresLeft = 0;
    int failed = 0;
    // Each io-methods table of the original VFS, copied with our xRead, and its original.
    std::map<const sqlite3_io_methods*, std::unique_ptr<sqlite3_io_methods>> wrapped;
    std::map<const sqlite3_io_methods*, const sqlite3_io_methods*> originals;
};

// Never destroyed: a connection opened through the shim may be closed during exit.
Faults& faults() {
    static auto* instance = new Faults;
    return *instance;
}

bool endsWith(const char* name, const std::string& suffix) {
    return name != nullptr && !suffix.empty() &&
           (std::string_view(name).ends_with(suffix) ||
            std::string_view(name).ends_with(suffix + "-wal"));
}

int faultyRead(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
    auto& f = faults();
    const sqlite3_io_methods* original = nullptr;
    bool fail = false;
    {
        std::lock_guard lock(f.mutex);
        original = f.originals.at(file->pMethods);
        if (f.readsBeforeFailure > 0) {
            --f.readsBeforeFailure;
        } else if (f.failuresLeft > 0) {
            fail = true;
            --f.failuresLeft;
            ++f.failed;
        }
    }
    if (fail) {
        return SQLITE_IOERR_READ;
    }
    return original->xRead(file, buffer, amount, offset);
}

int faultyOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* out) {
    auto& f = faults();
    std::unique_lock lock(f.mutex);
    if ((flags & SQLITE_OPEN_MAIN_DB) != 0 && endsWith(name, f.deniedSuffix)) {
        return SQLITE_AUTH;
    }
    const bool watched = endsWith(name, f.readSuffix);
    lock.unlock();
    const int rc = f.original->xOpen(f.original, name, file, flags, out);
    if (rc != SQLITE_OK || !watched || file->pMethods == nullptr) {
        return rc;
    }
    lock.lock();
    auto& copy = f.wrapped[file->pMethods];
    if (!copy) {
        copy = std::make_unique<sqlite3_io_methods>(*file->pMethods);
        copy->xRead = faultyRead;
        f.originals[copy.get()] = file->pMethods;
    }
    file->pMethods = copy.get();
    return rc;
}

}  // namespace

SqliteFaults::SqliteFaults() : original_(sqlite3_vfs_find(nullptr)) {
    auto& f = faults();
    std::lock_guard lock(f.mutex);
    f.original = original_;
    f.deniedSuffix.clear();
    f.readSuffix.clear();
    f.readsBeforeFailure = 0;
    f.failuresLeft = 0;
    f.failed = 0;
    shim_ = *original_;
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
    std::lock_guard lock(faults().mutex);
    faults().deniedSuffix = std::move(suffix);
}

void SqliteFaults::failReads(std::string suffix, int failures, int successes) {
    std::lock_guard lock(faults().mutex);
    faults().readSuffix = std::move(suffix);
    faults().readsBeforeFailure = successes;
    faults().failuresLeft = failures;
    faults().failed = 0;
}

int SqliteFaults::failedReads() const {
    std::lock_guard lock(faults().mutex);
    return faults().failed;
}

}  // namespace nabbit::test
