#pragma once

#include <filesystem>
#include <vector>

#include "platform/FileReveal.h"

namespace nabbit {

// Records every request in order instead of showing anything.
class FakeFileReveal final : public FileReveal {
  public:
    enum class Action { revealFile, openFolder };
    struct Request {
        Action action;
        std::filesystem::path path;
        bool operator==(const Request&) const = default;
    };

    void revealFile(const std::filesystem::path& file) override;
    void openFolder(const std::filesystem::path& folder) override;

    const std::vector<Request>& requests() const { return requests_; }

  private:
    std::vector<Request> requests_;
};

}  // namespace nabbit
