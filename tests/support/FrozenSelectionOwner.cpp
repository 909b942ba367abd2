#include "FrozenSelectionOwner.h"

namespace nabbit::test {

std::unique_ptr<FrozenSelectionOwner> FrozenSelectionOwner::take(const std::string& socket) {
    std::unique_ptr<FrozenSelectionOwner> owner(new FrozenSelectionOwner);
    owner->process_.start(NABBIT_BIN_DIR "/nabbit-test-frozen-owner",
                          {QString::fromStdString(socket)});
    QByteArray said;
    while (!said.contains("ready\n") && owner->process_.waitForReadyRead(5000)) {
        said += owner->process_.readAllStandardOutput();
    }
    if (!said.contains("ready\n")) {
        return nullptr;
    }
    return owner;
}

FrozenSelectionOwner::~FrozenSelectionOwner() {
    process_.kill();
    process_.waitForFinished(3000);
}

}  // namespace nabbit::test
