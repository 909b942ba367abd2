#include "sources/SourceEnvironment.h"

#include "core/FullDiskAccess.h"
#include "core/TerminalConsole.h"

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
        printToTerminal(line);
    }
}

}  // namespace nabbit
