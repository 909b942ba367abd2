#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace nabbit::test {

// Makes the calling thread meet file permission bits as an ordinary user does: CI runs the
// tests as root, whose capabilities read any file. Drops the two that override permission bits
// from the thread's effective set (pid 0: the calling thread), and restores them when it goes.
class ObeyPermissionBits {
  public:
    ObeyPermissionBits() {
        if (::syscall(SYS_capget, &header_, saved_) != 0) {
            return;
        }
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        dropped_ = ::syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~ObeyPermissionBits() {
        if (dropped_) {
            ::syscall(SYS_capset, &header_, saved_);
        }
    }
    ObeyPermissionBits(const ObeyPermissionBits&) = delete;
    ObeyPermissionBits& operator=(const ObeyPermissionBits&) = delete;

  private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool dropped_ = false;
};

}  // namespace nabbit::test
