#include "sources/SourceEnvironment.h"

#include <iostream>

#include "core/FullDiskAccess.h"

namespace nabbit {

bool SourceEnvironment::hasFullDiskAccess() const {
    if (hasFullDiskAccess_) {
        return hasFullDiskAccess_();
    }
    return checkFullDiskAccess() == FullDiskAccess::granted;
}

void SourceEnvironment::print(const std::string& line) const {
    if (console_) {
        console_(line);
    } else {
        std::cout << line << std::endl;
    }
}

}  // namespace nabbit
