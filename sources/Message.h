#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace nabbit {

// One received message, from the Messages database or a Mail envelope.
struct Message {
    std::int64_t rowId = 0;  // ROWID in its source database
    std::string guid;        // mail entries: "email-" + ROWID
    std::string text;
    std::string handle;                // sender: phone number, address or name
    std::optional<std::string> group;  // chat room name of a group chat
    bool fromMe = false;

    friend bool operator==(const Message&, const Message&) = default;
};

}  // namespace nabbit
