#include "sources/notifications/NotificationText.h"

#include <array>
#include <cstdint>

#include "parser/UnicodeText.h"
#include "sources/Whitespace.h"

namespace nabbit {

namespace {

// Longer tags than this are not markup a notification service would read.
constexpr std::size_t kLongestTag = 4096;
constexpr std::size_t kLongestEntity = 12;

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isTagNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The lower-case name of a tag's inside ("/a", "img src=…/"), or empty when it is none of the
// notification markup's tags.
std::string_view markupTag(std::string_view inside) {
    std::size_t at = 0;
    if (at < inside.size() && inside[at] == '/') {
        ++at;
    }
    std::string name;
    while (at < inside.size() && isTagNameCharacter(inside[at]) && name.size() < 4) {
        name.push_back(lower(inside[at++]));
    }
    // The name ends at the end, a space, or the "/" of an empty element.
    if (at < inside.size() && inside[at] != ' ' && inside[at] != '\t' && inside[at] != '\n' &&
        inside[at] != '/') {
        return {};
    }
    static constexpr std::array<std::string_view, 6> tags = {"b", "i", "u", "a", "img", "br"};
    for (const auto tag : tags) {
        if (name == tag) {
            return tag;
        }
    }
    return {};
}

void appendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// The character an entity's name ("amp", "#38", "#x26") stands for; 0 when none.
std::uint32_t entityCharacter(std::string_view name) {
    if (name == "amp")
        return '&';
    if (name == "lt")
        return '<';
    if (name == "gt")
        return '>';
    if (name == "quot")
        return '"';
    if (name == "apos")
        return '\'';
    if (name == "nbsp")
        return ' ';
    if (name.size() < 2 || name[0] != '#') {
        return 0;
    }
    const bool hex = name[1] == 'x' || name[1] == 'X';
    std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty()) {
        return 0;
    }
    std::uint32_t value = 0;
    for (const char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0) {
            return 0;
        }
        value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
        if (value > 0x10FFFF) {
            return 0;
        }
    }
    if (value == 0 || (value >= 0xD800 && value <= 0xDFFF)) {
        return 0;
    }
    return value;
}

}  // namespace

std::string removeNotificationMarkup(std::string_view markup) {
    std::string text;
    text.reserve(markup.size());
    std::size_t at = 0;
    while (at < markup.size()) {
        const char c = markup[at];
        if (c == '<') {
            const auto close = markup.find('>', at + 1);
            if (close != std::string_view::npos && close - at <= kLongestTag) {
                const auto tag = markupTag(markup.substr(at + 1, close - at - 1));
                if (!tag.empty()) {
                    if (tag == "br") {
                        text.push_back('\n');
                    }
                    at = close + 1;
                    continue;
                }
            }
        } else if (c == '&') {
            const auto semicolon = markup.find(';', at + 1);
            if (semicolon != std::string_view::npos && semicolon - at <= kLongestEntity) {
                if (const auto character =
                        entityCharacter(markup.substr(at + 1, semicolon - at - 1))) {
                    appendUtf8(text, character);
                    at = semicolon + 1;
                    continue;
                }
            }
        }
        text.push_back(c);
        ++at;
    }
    return text;
}

std::string notificationText(std::string_view summary, std::string_view body, bool bodyIsMarkup) {
    std::string text(summary.substr(0, maximumNotificationTextBytes));
    text.push_back('\n');
    const auto room = maximumNotificationTextBytes * 2;
    if (bodyIsMarkup) {
        text += removeNotificationMarkup(body.substr(0, room));
    } else {
        text += body.substr(0, room);
    }
    std::string clean = trimWhitespaceAndNewlines(toUtf8(fromUtf8(text)));
    if (clean.size() > maximumNotificationTextBytes) {
        std::size_t cut = maximumNotificationTextBytes;
        // Back to the start of a character.
        while (cut > 0 && (static_cast<unsigned char>(clean[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        clean.resize(cut);
    }
    return clean;
}

}  // namespace nabbit
