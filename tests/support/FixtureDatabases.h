#pragma once

#include <filesystem>
#include <string>

namespace nabbit::test {

// A file of the shared fixtures (the real database schemas, the real rich message bodies).
std::filesystem::path sharedFixture(const std::string& relative);

// Creates an empty database at `path` from a shared schema file, in WAL mode, the way the
// owning program's database is found on disk; parent folders are created. Aborts the test
// program when the fixture is missing or does not apply, since nothing after could be trusted.
void createDatabaseFromFixture(const std::filesystem::path& path, const std::string& schemaFile);

// The Messages database at $HOME/Library/Messages/chat.db, from fixtures/chat-db.sql.
std::filesystem::path createChatDatabase();
std::filesystem::path chatDatabasePath();

}  // namespace nabbit::test
