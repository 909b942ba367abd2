#include "ScratchHomes.h"

#include <unistd.h>

namespace nabbit::bench {

ScratchHomes::~ScratchHomes() {
    std::error_code ec;
    for (const auto& [size, home] : homes_) {
        std::filesystem::remove_all(home, ec);
    }
}

const std::filesystem::path& ScratchHomes::forSize(std::int64_t size) {
    auto [it, added] = homes_.try_emplace(size);
    if (added) {
        it->second = make(std::to_string(size));
        fill_(it->second, size);
    }
    return it->second;
}

std::filesystem::path ScratchHomes::make(const std::string& name) const {
    const auto home = std::filesystem::temp_directory_path() /
                      (prefix_ + name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    return home;
}

}  // namespace nabbit::bench
