#pragma once

#include <string>

namespace nabbit {

// Every SQLite failure as a value: which step failed, SQLite's primary result code and the
// connection's message. Callers log description() and search it for known texts.
class SQLiteError {
  public:
    enum class Kind { openFailed, prepareFailed, stepFailed };

    static SQLiteError openFailed(int code, std::string message);
    static SQLiteError prepareFailed(int code, std::string message);
    static SQLiteError stepFailed(int code, std::string message);

    Kind kind() const { return kind_; }
    int code() const { return code_; }
    const std::string& message() const { return message_; }

    // "sqlite open failed (code 14): unable to open database file"
    std::string description() const;

    bool operator==(const SQLiteError&) const = default;

  private:
    SQLiteError(Kind kind, int code, std::string message);

    Kind kind_;
    int code_;
    std::string message_;
};

}  // namespace nabbit
