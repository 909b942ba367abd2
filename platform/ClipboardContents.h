#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nabbit {

// One format the clipboard offered: its type (a MIME type, or an X11 target name such as
// UTF8_STRING) and its bytes as the owner sent them.
struct ClipboardFormat {
    std::string mimeType;
    std::string data;

    friend bool operator==(const ClipboardFormat&, const ClipboardFormat&) = default;
};

// Everything the clipboard held at one moment, every format, so that it can be put back as it
// was: text, rich text, images, file lists.
struct ClipboardContents {
    // Above this many bytes in all, nothing is kept: a restore of half the formats would be
    // worse than none.
    static constexpr std::size_t kMaxBytes = std::size_t{64} * 1024 * 1024;

    std::vector<ClipboardFormat> formats;

    bool empty() const { return formats.empty(); }

    std::size_t byteSize() const {
        std::size_t total = 0;
        for (const ClipboardFormat& format : formats) {
            total += format.mimeType.size() + format.data.size();
        }
        return total;
    }

    const ClipboardFormat* find(std::string_view mimeType) const {
        for (const ClipboardFormat& format : formats) {
            if (format.mimeType == mimeType) {
                return &format;
            }
        }
        return nullptr;
    }

    // The plain text among the formats, preferring UTF-8 ones; nothing when there is none.
    std::optional<std::string> text() const {
        static constexpr std::array<std::string_view, 5> kTextTypes{
            "text/plain;charset=utf-8", "UTF8_STRING", "text/plain", "STRING", "TEXT"};
        for (std::string_view type : kTextTypes) {
            if (const ClipboardFormat* format = find(type)) {
                return format->data;
            }
        }
        return std::nullopt;
    }

    friend bool operator==(const ClipboardContents&, const ClipboardContents&) = default;
};

}  // namespace nabbit
