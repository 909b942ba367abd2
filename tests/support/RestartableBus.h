#pragma once

#include <string>

#include <QProcess>

#include "TestHome.h"

namespace nabbit::test {

// A private session bus at a fixed address, which the test can stop and start again, as a
// session bus that goes away and comes back does. Started with the object, stopped when it goes.
class RestartableBus {
  public:
    RestartableBus();
    ~RestartableBus();
    RestartableBus(const RestartableBus&) = delete;
    RestartableBus& operator=(const RestartableBus&) = delete;

    // Whether the bus runs now.
    bool start();
    void stop();

    const std::string& address() const { return address_; }

  private:
    TempDir folder_;
    QProcess daemon_;
    std::string address_;
};

}  // namespace nabbit::test
