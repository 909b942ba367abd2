#pragma once

#include <string_view>

namespace nabbit {

// Writes one line to the system log (syslog with ident "nabbit", which lands in the journal)
// and echoes it to standard error. Callers pass the whole line, "[Nabbit] " prefix included.
void systemLog(std::string_view line);

}  // namespace nabbit
