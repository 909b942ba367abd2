#pragma once

#include <string>

#include <sqlite3.h>

namespace nabbit::test {

// Stands between SQLite and the files for the life of the object (it becomes the default VFS)
// and fails what the system fails when access is withdrawn or a disk goes bad. Files are named
// by the end of their path ("/chat.db"); a database's -wal file counts as the database.
class SqliteFaults {
  public:
    SqliteFaults();
    ~SqliteFaults();
    SqliteFaults(const SqliteFaults&) = delete;
    SqliteFaults& operator=(const SqliteFaults&) = delete;

    // Opening the database fails with SQLITE_AUTH.
    void denyOpen(std::string suffix);
    // After `successes` more reads of the database, the next `failures` fail with
    // SQLITE_IOERR_READ; later ones succeed.
    void failReads(std::string suffix, int failures, int successes = 0);
    int failedReads() const;

  private:
    sqlite3_vfs* original_;
    sqlite3_vfs shim_;
};

}  // namespace nabbit::test
