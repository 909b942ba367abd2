#pragma once

#include <linux/capability.h>

namespace nabbit::test {

// Makes the calling thread meet file permission bits as an ordinary user does: CI runs the
// tests as root, whose capabilities read any file. Drops the two that override permission bits
// from the thread's effective set, and restores them when it goes.
class ObeyPermissionBits {
  public:
    ObeyPermissionBits();
    ~ObeyPermissionBits();
    ObeyPermissionBits(const ObeyPermissionBits&) = delete;
    ObeyPermissionBits& operator=(const ObeyPermissionBits&) = delete;

  private:
    __user_cap_data_struct saved_[2]{};
    bool dropped_ = false;
};

}  // namespace nabbit::test
