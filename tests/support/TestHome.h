#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace nabbit::test {

// A temporary directory removed with everything in it when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Points HOME and the XDG variables at a fresh temporary directory for the rest of the
// process, so that nothing a test does reaches the real home. Returns the new home.
// Called by the shared test main before any test runs.
std::filesystem::path useFreshHome();

// The home set by useFreshHome().
std::filesystem::path testHome();

// Writes a whole file, creating parent directories. Returns false on failure.
bool writeFile(const std::filesystem::path& path, const std::string& contents);

// Reads a whole file; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);

// The lines of a text, without their line feeds.
std::vector<std::string> lines(const std::string& text);

}  // namespace nabbit::test
