#include "core/SQLiteStatement.h"

#include <sqlite3.h>

#include <utility>

namespace nabbit {

SQLiteStatement::SQLiteStatement(sqlite3_stmt* handle, std::weak_ptr<SQLiteConnection> connection)
    : handle_(handle), connection_(std::move(connection)) {}

SQLiteStatement::~SQLiteStatement() {
    finalize();
}

SQLiteStatement::SQLiteStatement(SQLiteStatement&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), connection_(std::move(other.connection_)) {}

SQLiteStatement& SQLiteStatement::operator=(SQLiteStatement&& other) noexcept {
    if (this != &other) {
        finalize();
        handle_ = std::exchange(other.handle_, nullptr);
        connection_ = std::move(other.connection_);
    }
    return *this;
}

sqlite3_stmt* SQLiteStatement::handle() const {
    return connection_.expired() ? nullptr : handle_;
}

void SQLiteStatement::finalize() {
    // An expired connection finalized this statement when it closed; finalizing again would
    // touch freed memory.
    if (handle_ != nullptr && !connection_.expired()) {
        sqlite3_finalize(handle_);
    }
    handle_ = nullptr;
    connection_.reset();
}

}  // namespace nabbit
