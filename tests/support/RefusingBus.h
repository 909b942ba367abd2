#pragma once

#include <string>

#include <QProcess>

#include "TestHome.h"

namespace nabbit::test {

// A private session bus whose policy refuses org.freedesktop.DBus.Monitoring (as some
// sandboxes and distributions do) and allows everything else. Started with the object,
// stopped when it goes.
class RefusingBus {
  public:
    RefusingBus();
    ~RefusingBus();
    RefusingBus(const RefusingBus&) = delete;
    RefusingBus& operator=(const RefusingBus&) = delete;

    // The bus's address; empty when it did not start.
    const std::string& address() const { return address_; }

  private:
    TempDir folder_;
    QProcess daemon_;
    std::string address_;
};

}  // namespace nabbit::test
