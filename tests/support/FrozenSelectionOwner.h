#pragma once

#include <memory>
#include <string>

#include <QProcess>

namespace nabbit::test {

// Another program that takes the clipboard (data-control) with a text type and then never
// reads its connection again: whoever asks for the data waits for good, as with a frozen
// program. Ended when the object goes.
class FrozenSelectionOwner {
  public:
    // Starts it on the compositor's socket (an absolute path); nothing when it cannot take
    // the clipboard.
    static std::unique_ptr<FrozenSelectionOwner> take(const std::string& socket);
    ~FrozenSelectionOwner();
    FrozenSelectionOwner(const FrozenSelectionOwner&) = delete;
    FrozenSelectionOwner& operator=(const FrozenSelectionOwner&) = delete;

  private:
    FrozenSelectionOwner() = default;

    QProcess process_;
};

}  // namespace nabbit::test
