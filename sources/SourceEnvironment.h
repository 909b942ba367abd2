#pragma once

#include <functional>
#include <string>

namespace nabbit {

// What a message source needs from its surroundings besides its database: whether the
// databases may be read (Full Disk Access), where the lines meant for the user go, and whether
// the program is about to quit. Each can be replaced, by tests and by the command line.
class SourceEnvironment {
  public:
    using AccessCheck = std::function<bool()>;
    using ConsoleOutput = std::function<void(const std::string& line)>;
    using StopCheck = std::function<bool()>;

    // An empty check is the real one; an empty console is standard output when that is a
    // terminal, else nowhere (the lines may hold message texts).
    explicit SourceEnvironment(AccessCheck hasFullDiskAccess = {}, ConsoleOutput console = {})
        : hasFullDiskAccess_(std::move(hasFullDiskAccess)), console_(std::move(console)) {}

    bool hasFullDiskAccess() const;
    void print(const std::string& line) const;

    // A sync asks between two rows whether to stop; without a check it never stops.
    void setStopCheck(StopCheck check) { stopRequested_ = std::move(check); }
    bool stopRequested() const { return stopRequested_ && stopRequested_(); }

  private:
    AccessCheck hasFullDiskAccess_;
    ConsoleOutput console_;
    StopCheck stopRequested_;
};

}  // namespace nabbit
