#include "core/TerminalConsole.h"

#include <unistd.h>

#include <cstdio>

namespace nabbit {

bool standardOutputIsTerminal() {
    return ::isatty(STDOUT_FILENO) == 1;
}

void printToTerminal(const std::string& line) {
    if (!standardOutputIsTerminal()) {
        return;
    }
    // One call: stdio locks the stream for it, so no other thread's line lands inside.
    const std::string text = line + "\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

}  // namespace nabbit
