#include "sources/CodeSearch.h"

#include "parser/GraphemeCount.h"
#include "parser/UnicodeText.h"

namespace nabbit {

bool isLongEnoughToParse(const std::string& text) {
    return !text.empty() && graphemeCount(text) > 4;
}

CodeEntries parseRecords(const OTPParser& parser, const std::vector<const Message*>& records) {
    CodeEntries found;
    for (const auto* record : records) {
        if (auto otp = parser.parse(record->text)) {
            found.push_back(CodeEntry{*record, std::move(*otp)});
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

}  // namespace nabbit
