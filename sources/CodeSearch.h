#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sqlite3.h>

#include "core/Expected.h"
#include "core/SQLiteDB.h"
#include "core/SQLiteError.h"
#include "parser/OTPParser.h"
#include "sources/CodeEntry.h"
#include "sources/SourceEnvironment.h"

namespace nabbit {

// The rows of one incremental query: the usable ones as records, and the highest ROWID read,
// skipped rows included (0 when no row was read), so that the watermark can pass those too.
struct LoadedRecords {
    std::vector<Message> records;
    std::int64_t lastRowIdRead = 0;
    std::size_t rowsRead = 0;
    // A step that ended in an error rather than at the end of the rows; the rows before it
    // are kept.
    std::optional<SQLiteError> stepError;
    // The table's highest ROWID, read when no row lay above the watermark: below the watermark
    // it tells of a database replaced in place.
    std::optional<std::int64_t> highestRowId;
    // A stop was requested between two rows; nothing of the batch counts.
    bool interrupted = false;
};

// Texts of four user-perceived characters or fewer cannot hold a code worth copying and are
// never parsed.
bool isLongEnoughToParse(const std::string& text);

// The code entries the parser finds in the records long enough to parse that `isNew` accepts,
// in their order; nothing when `environment` asked to stop between two records.
std::optional<CodeEntries> findCodes(const OTPParser& parser, const std::vector<Message>& records,
                                     const SourceEnvironment& environment,
                                     const std::function<bool(const Message&)>& isNew);

// A text column as valid UTF-8 (invalid sequences replaced), or nothing when it is NULL.
std::optional<std::string> textColumn(sqlite3_stmt* statement, int column);

// The highest ROWID of `table` (0 when it is empty).
Expected<std::int64_t, SQLiteError> highestRowId(SQLiteDB& db, std::string_view table);

// Steps through `statement` until its rows end, a step fails or `environment` asks to stop,
// calling `row` for each row; the outcome goes into `loaded`.
template <class Row>
void readRows(SQLiteDB& db, sqlite3_stmt* statement, const SourceEnvironment& environment,
              LoadedRecords& loaded, Row row) {
    int result = SQLITE_DONE;
    while ((result = sqlite3_step(statement)) == SQLITE_ROW) {
        if (environment.stopRequested()) {
            loaded.interrupted = true;
            return;
        }
        ++loaded.rowsRead;
        row();
    }
    if (result != SQLITE_DONE) {
        loaded.stepError = SQLiteError::stepFailed(result, sqlite3_errmsg(db.handle()));
    }
}

}  // namespace nabbit
