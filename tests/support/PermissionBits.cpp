#include "PermissionBits.h"

#include <sys/syscall.h>
#include <unistd.h>

namespace nabbit::test {

namespace {

__user_cap_header_struct header() {
    return {_LINUX_CAPABILITY_VERSION_3, 0};  // pid 0: the calling thread
}

}  // namespace

ObeyPermissionBits::ObeyPermissionBits() {
    auto head = header();
    if (::syscall(SYS_capget, &head, saved_) != 0) {
        return;
    }
    __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
    reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    dropped_ = ::syscall(SYS_capset, &head, reduced) == 0;
}

ObeyPermissionBits::~ObeyPermissionBits() {
    if (dropped_) {
        auto head = header();
        ::syscall(SYS_capset, &head, saved_);
    }
}

}  // namespace nabbit::test
