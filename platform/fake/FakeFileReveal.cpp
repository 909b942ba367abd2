#include "platform/fake/FakeFileReveal.h"

namespace nabbit {

void FakeFileReveal::revealFile(const std::filesystem::path& file) {
    requests_.push_back({Action::revealFile, file});
}

void FakeFileReveal::openFolder(const std::filesystem::path& folder) {
    requests_.push_back({Action::openFolder, folder});
}

}  // namespace nabbit
