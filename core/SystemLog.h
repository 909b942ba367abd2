#pragma once

#include <string_view>

namespace nabbit {

// How much a line matters in the journal. The lines written on every permission check are
// debug: the journal keeps them without flooding its normal views.
enum class SystemLogPriority { notice, debug };

// Writes one line to the system log (syslog with ident "nabbit", which lands in the journal)
// and echoes it to standard error, written whole. Callers pass the whole line, "[Nabbit] "
// prefix included.
void systemLog(std::string_view line, SystemLogPriority priority = SystemLogPriority::notice);

// Whether debug lines are echoed to standard error too (by default they are).
void setSystemLogEchoesDebugLines(bool echo);

}  // namespace nabbit
