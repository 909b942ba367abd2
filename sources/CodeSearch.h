#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "parser/OTPParser.h"
#include "sources/CodeEntry.h"

namespace nabbit {

// The rows of one incremental query: the usable ones as records, and the highest ROWID read,
// skipped rows included (0 when no row was read), so that the watermark can pass those too.
struct LoadedRecords {
    std::vector<Message> records;
    std::int64_t lastRowIdRead = 0;
};

// Texts of four user-perceived characters or fewer cannot hold a code worth copying and are
// never parsed.
bool isLongEnoughToParse(const std::string& text);

// The code entries the parser finds in `records`, in their order.
CodeEntries parseRecords(const OTPParser& parser, const std::vector<const Message*>& records);

// A text column as valid UTF-8 (invalid sequences replaced), or nothing when it is NULL.
std::optional<std::string> textColumn(sqlite3_stmt* statement, int column);

}  // namespace nabbit
