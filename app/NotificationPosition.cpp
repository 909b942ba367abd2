#include "app/NotificationPosition.h"

namespace nabbit {

std::optional<NotificationPosition> notificationPositionFromRaw(int raw) {
    if (raw < 0 || raw > 3) {
        return std::nullopt;
    }
    return static_cast<NotificationPosition>(raw);
}

std::string_view label(NotificationPosition position) {
    switch (position) {
        case NotificationPosition::leftEdgeTop:
            return "Left Edge, Top";
        case NotificationPosition::leftEdgeBottom:
            return "Left Edge, Bottom";
        case NotificationPosition::rightEdgeTop:
            return "Right Edge, Top";
        case NotificationPosition::rightEdgeBottom:
            return "Right Edge, Bottom";
    }
    return "Left Edge, Top";
}

}  // namespace nabbit
