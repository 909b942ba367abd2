#pragma once

struct sqlite3;

namespace nabbit {

// The state an SQLiteDB shares with the statements it prepared. The database owns it alone;
// statements only observe it (weakly), so a statement never keeps a connection open, and a
// statement whose connection has gone knows that its handle was finalized with it.
struct SQLiteConnection {
    sqlite3* db = nullptr;
};

}  // namespace nabbit
