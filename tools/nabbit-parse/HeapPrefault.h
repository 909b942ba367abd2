#pragma once

#include <cstddef>

namespace nabbit::tools {

// Makes the first `bytes` of heap the program will use resident at once: one system call
// maps them (in huge pages where the system offers them for the asking) instead of a page
// fault for every 4 KiB page as the parser first touches it. A short run that builds the
// parser takes about 2.5 MiB of heap in some ten thousand small pieces; faulting those pages
// in one by one costs more than half of the parsing itself. Does nothing where the system
// lacks a step; the program only runs slower then.
void prefaultHeap(std::size_t bytes);

}  // namespace nabbit::tools
