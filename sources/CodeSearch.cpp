#include "sources/CodeSearch.h"

#include "parser/GraphemeCount.h"
#include "parser/UnicodeText.h"

namespace nabbit {

bool isLongEnoughToParse(const std::string& text) {
    return !text.empty() && graphemeCount(text) > 4;
}

std::optional<CodeEntries> findCodes(const OTPParser& parser, const std::vector<Message>& records,
                                     const SourceEnvironment& environment,
                                     const std::function<bool(const Message&)>& isNew) {
    CodeEntries found;
    for (const auto& record : records) {
        // A long text takes a while to count and parse: a quit must not wait for a whole batch.
        if (environment.stopRequested()) {
            return std::nullopt;
        }
        if (!isLongEnoughToParse(record.text) || !isNew(record)) {
            continue;
        }
        if (auto otp = parser.parse(record.text)) {
            found.push_back(CodeEntry{record, std::move(*otp)});
        }
    }
    return found;
}

std::optional<std::string> textColumn(sqlite3_stmt* statement, int column) {
    if (sqlite3_column_type(statement, column) == SQLITE_NULL) {
        return std::nullopt;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    if (text == nullptr) {
        return std::nullopt;
    }
    const auto length = static_cast<std::size_t>(sqlite3_column_bytes(statement, column));
    return toUtf8(fromUtf8(std::string_view(text, length)));
}

Expected<std::int64_t, SQLiteError> highestRowId(SQLiteDB& db, std::string_view table) {
    auto statement = db.prepare("SELECT IFNULL(MAX(ROWID), 0) FROM " + std::string(table));
    if (!statement) {
        return Unexpected{std::move(statement).error()};
    }
    const int result = sqlite3_step(statement->handle());
    if (result != SQLITE_ROW) {
        return Unexpected{SQLiteError::stepFailed(result, sqlite3_errmsg(db.handle()))};
    }
    return static_cast<std::int64_t>(sqlite3_column_int64(statement->handle(), 0));
}

}  // namespace nabbit
