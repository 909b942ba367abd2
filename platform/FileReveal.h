#pragma once

#include <filesystem>

namespace nabbit {

// Shows files and folders to the user in their file manager. Fire and forget: there is no
// result to examine.
class FileReveal {
  public:
    virtual ~FileReveal() = default;
    // Opens the file's folder with the file selected.
    virtual void revealFile(const std::filesystem::path& file) = 0;
    // Opens the folder itself.
    virtual void openFolder(const std::filesystem::path& folder) = 0;
};

}  // namespace nabbit
