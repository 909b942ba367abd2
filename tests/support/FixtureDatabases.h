#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace nabbit::test {

// Thrown when a fixture cannot be read or applied. GoogleTest reports it as the failure of the
// running test, with the path that was tried, and nothing goes on with missing data.
class FixtureUnavailable : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The whole contents of a file of the project's test fixtures (tests/fixtures: the real database
// schemas and real rich message bodies); throws FixtureUnavailable when it cannot be read.
std::string readFixture(const std::string& relative);

// Creates an empty database at `path` from a schema fixture, in WAL mode, the way the owning
// program's database is found on disk; parent folders are created. Throws FixtureUnavailable
// when the schema is missing or does not apply.
void createDatabaseFromFixture(const std::filesystem::path& path, const std::string& schemaFile);

// The Messages database at $HOME/Library/Messages/chat.db, from fixtures/chat-db.sql.
std::filesystem::path createChatDatabase();
std::filesystem::path chatDatabasePath();

}  // namespace nabbit::test
