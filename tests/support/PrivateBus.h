#pragma once

#include <string>

#include <QProcess>

#include "TestHome.h"

namespace nabbit::test {

// A private session bus at a fixed address, started with the object and stopped when it goes;
// the test can stop and start it again, as a session bus that goes away and comes back does.
// Its policy allows everything, or everything but org.freedesktop.DBus.Monitoring (as some
// sandboxes and distributions have it).
class PrivateBus {
  public:
    enum class Monitoring { allowed, refused };

    explicit PrivateBus(Monitoring monitoring = Monitoring::allowed);
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

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
