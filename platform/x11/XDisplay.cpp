#include "platform/x11/XDisplay.h"

#include <cstdlib>

namespace nabbit {

XDisplay openXDisplay() {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || name[0] == '\0') {
        return {};
    }
    return XDisplay(XOpenDisplay(name));
}

}  // namespace nabbit
