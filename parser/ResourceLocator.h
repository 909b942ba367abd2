#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nabbit {

// Finds the parser's data files by name. Lookup order: the per-user override folder (when
// the locator has one), then <resources>/OTPKeywords/<name>, then <resources>/<name>. The
// first path that exists is the file, even when it later turns out unreadable: an override
// replaces the shipped file, it does not fall back to it.
class ResourceLocator {
  public:
    // The shipped files, found relative to the running executable (<exe dir>/../share/nabbit,
    // in the build tree as when installed), with the per-user override folder
    // $XDG_DATA_HOME/nabbit/OTPKeywords ($HOME/.local/share when XDG_DATA_HOME is unset).
    static ResourceLocator shipped();

    // An explicit resources folder and nothing else: no user override, so that the same
    // folder gives the same parser for everybody.
    static ResourceLocator forDirectory(std::filesystem::path resources);

    ResourceLocator(std::filesystem::path resources,
                    std::optional<std::filesystem::path> userOverrides);

    std::optional<std::filesystem::path> find(std::string_view fileName) const;

    // The names of the files ending in the extension in any of the places find() looks,
    // each once, in byte order; hidden files are left out.
    std::vector<std::string> fileNames(std::string_view extension) const;

    const std::filesystem::path& resources() const { return resources_; }
    const std::optional<std::filesystem::path>& userOverrides() const { return userOverrides_; }

    // Creates the per-user override folder so users find where their files go. Failure is
    // harmless and ignored.
    void createUserOverrideFolder() const;

    // <exe dir>/../share/nabbit of the running executable; empty when it cannot be told.
    static std::filesystem::path shippedResourceDir();
    // $XDG_DATA_HOME/nabbit/OTPKeywords; absent when neither XDG_DATA_HOME nor HOME is set.
    static std::optional<std::filesystem::path> userOverrideDir();

    // The whole contents of a regular file; absent when it cannot be read or is over 64 MiB.
    static std::optional<std::string> readFile(const std::filesystem::path& path);

  private:
    std::filesystem::path resources_;
    std::optional<std::filesystem::path> userOverrides_;
};

}  // namespace nabbit
