#pragma once

#include "platform/Relauncher.h"

namespace nabbit {

// Starts the running executable again with its arguments, detached, so that the new process
// outlives this one. The new process is told which process it replaces (NABBIT_RELAUNCH_OF),
// so that it waits for this one to end instead of handing over to it.
class ProcessRelauncher final : public Relauncher {
  public:
    bool relaunch() override;
};

}  // namespace nabbit
