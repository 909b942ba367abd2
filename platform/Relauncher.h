#pragma once

namespace nabbit {

// Starts a new instance of the running program, independent of this one.
class Relauncher {
  public:
    virtual ~Relauncher() = default;
    // False when the new process could not be started.
    virtual bool relaunch() = 0;
};

}  // namespace nabbit
