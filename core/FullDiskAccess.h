#pragma once

namespace nabbit {

// Whether the Messages database can be read: granted (readable), denied (there but not
// readable), missing (not there). Only granted lets a source read.
enum class FullDiskAccess { granted, denied, missing };

// Opens $HOME/Library/Messages/chat.db and reads at most one byte, afresh on every call. When
// the answer differs from the one logged last, writes "[Nabbit] Checking FDA at: <path>" and
// "[Nabbit] File exists: <bool>, Can read: <bool>" to the system log at debug priority (the
// sources check before every sync, the windows every second).
FullDiskAccess checkFullDiskAccess();

}  // namespace nabbit
