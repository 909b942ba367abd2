#pragma once

#include <string>
#include <string_view>

namespace nabbit {

// The longest notification text handed to the parser, in bytes: a mail client may put a whole
// message in a body, and the code is near its start.
inline constexpr std::size_t maximumNotificationTextBytes = 8 * 1024;

// A notification body written in the notification markup as plain text: the tags <b>, <i>,
// <u>, <a href="…">, <img …/> (and <br>, a line break) removed in either case with their
// closing tags, the entities (&amp; &lt; &gt; &quot; &apos; &nbsp; and numeric ones) decoded.
// Anything else, an unknown tag or a lone "<" or "&", stays as written.
std::string removeNotificationMarkup(std::string_view markup);

// What the parser reads of a notification: its summary, a line feed, then its body (markup
// removed when it is markup); valid UTF-8 (invalid sequences replaced), trimmed, cut to
// maximumNotificationTextBytes at a character boundary.
std::string notificationText(std::string_view summary, std::string_view body, bool bodyIsMarkup);

}  // namespace nabbit
