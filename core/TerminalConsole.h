#pragma once

#include <string>

namespace nabbit {

// Lines for a person watching Nabbit at a terminal: what a test code parsed to, a notification
// that could not be sent. They may hold message texts and codes, so they are written only when
// standard output is a terminal. A desktop session routes the standard streams of the
// programs it starts to the journal or ~/.xsession-errors, where a code must never land.
bool standardOutputIsTerminal();

// Writes `line` and a line feed to standard output when it is a terminal; drops it otherwise.
void printToTerminal(const std::string& line);

}  // namespace nabbit
