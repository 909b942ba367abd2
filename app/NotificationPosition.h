#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace nabbit {

// The screen corner of the overlay; the raw values are what the preference stores.
enum class NotificationPosition {
    leftEdgeTop = 0,
    leftEdgeBottom = 1,
    rightEdgeTop = 2,
    rightEdgeBottom = 3,
};

inline constexpr std::array<NotificationPosition, 4> allNotificationPositions{
    NotificationPosition::leftEdgeTop, NotificationPosition::leftEdgeBottom,
    NotificationPosition::rightEdgeTop, NotificationPosition::rightEdgeBottom};

// Nothing for a raw value outside 0 to 3.
std::optional<NotificationPosition> notificationPositionFromRaw(int raw);

// "Left Edge, Top" and so on: the texts of the position menu items.
std::string_view label(NotificationPosition position);

}  // namespace nabbit
