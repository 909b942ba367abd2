#include "sources/imessage/AttributedBodyText.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include <unicode/ustring.h>

#include "core/DebugLogger.h"
#include "parser/UnicodeText.h"
#include "sources/Whitespace.h"
#include "sources/imessage/GraphemeText.h"
#include "sources/imessage/KeyedArchive.h"
#include "sources/imessage/PropertyList.h"
#include "sources/imessage/TypedStreamString.h"

namespace nabbit {

namespace {

constexpr std::string_view kCategory = "PARSING";
constexpr std::size_t kPreviewLength = 100;
constexpr std::size_t kMarkerSkip = 8;
constexpr std::size_t kDictionaryGap = 10;

void log(std::string_view message) {
    DebugLogger::shared().log(message, kCategory);
}
void log(std::string_view message, LogDetails details) {
    DebugLogger::shared().log(message, kCategory, std::move(details));
}

// Text as UTF-8 with every invalid sequence replaced, so that nothing downstream sees
// malformed UTF-8 whatever the archive held.
std::string sanitizedUtf8(const std::string& text) {
    return toUtf8(fromUtf8(text));
}

LogDetails lengthAndPreview(const std::string& text) {
    const auto graphemes = GraphemeText::fromUtf8(text);
    return {{"text_length", graphemes.length()},
            {"text_preview", graphemes.prefix(kPreviewLength)}};
}

// Decodes UTF-8 with one U+FFFD per maximal invalid subpart; `valid` tells whether any was needed.
icu::UnicodeString decodeUtf8(std::span<const std::uint8_t> data, bool& valid) {
    const auto* bytes = reinterpret_cast<const char*>(data.data());
    const auto length = static_cast<int32_t>(std::min<std::size_t>(data.size(), 0x7FFFFFFF));
    icu::UnicodeString text;
    int32_t substitutions = 0;
    int32_t needed = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(nullptr, 0, &needed, bytes, length, 0xFFFD, &substitutions, &status);
    status = U_ZERO_ERROR;
    UChar* buffer = text.getBuffer(needed + 1);
    if (buffer != nullptr) {
        u_strFromUTF8WithSub(buffer, needed + 1, &needed, bytes, length, 0xFFFD, &substitutions,
                             &status);
        text.releaseBuffer(U_SUCCESS(status) ? needed : 0);
    }
    valid = substitutions == 0 && U_SUCCESS(status);
    return text;
}

std::optional<std::string> methodOne(std::span<const std::uint8_t> data, bool& done) {
    log("Attempting Method 1: NSKeyedUnarchiver with NSAttributedString");
    auto archive = KeyedArchive::decode(data);
    if (!archive) {
        log("❌ Method 1 FAIL: NSKeyedUnarchiver error", {{"error", archive.error()}});
        return std::nullopt;
    }
    if (archive->rootIsNull()) {
        log("❌ Method 1 FAIL: Unarchived object is nil");
        return std::nullopt;
    }
    // Decoding restricted to one class refuses any other root class.
    if (!archive->rootIsKindOf("NSAttributedString")) {
        const auto name = archive->rootClassName().value_or("unknown");
        log("❌ Method 1 FAIL: NSKeyedUnarchiver error",
            {{"error", "value for key 'root' was of unexpected class '" + name + "'"}});
        return std::nullopt;
    }
    auto text = archive->attributedStringText();
    if (!text) {
        log("❌ Method 1 FAIL: NSKeyedUnarchiver error", {{"error", text.error()}});
        return std::nullopt;
    }
    const auto plain = sanitizedUtf8(*text);
    log("✅ Method 1 SUCCESS: NSAttributedString unarchived", lengthAndPreview(plain));
    done = true;
    return plain.empty() ? std::nullopt : std::optional(plain);
}

std::optional<std::string> methodTwo(std::span<const std::uint8_t> data, bool& done) {
    log("Attempting Method 2: Legacy NSKeyedUnarchiver");
    auto archive = KeyedArchive::decode(data);
    if (!archive) {
        log("❌ Method 2 FAIL: Legacy unarchiver error", {{"error", archive.error()}});
        return std::nullopt;
    }
    if (archive->rootIsNull() || !archive->rootIsKindOf("NSAttributedString")) {
        log("❌ Method 2 FAIL: Object is not NSAttributedString");
        return std::nullopt;
    }
    auto text = archive->attributedStringText();
    if (!text) {
        log("❌ Method 2 FAIL: Legacy unarchiver error", {{"error", text.error()}});
        return std::nullopt;
    }
    const auto plain = sanitizedUtf8(*text);
    log("✅ Method 2 SUCCESS: Legacy unarchiver worked", lengthAndPreview(plain));
    done = true;
    return plain.empty() ? std::nullopt : std::optional(plain);
}

std::optional<std::string> methodThree(std::span<const std::uint8_t> data, bool& done) {
    log("Attempting Method 3: StreamTyped/PropertyList decoding");
    auto text = decodePropertyListText(data);
    if (!text) {
        log("❌ Method 3 FAIL: StreamTyped decoding returned nil");
        return std::nullopt;
    }
    log("✅ Method 3 SUCCESS: StreamTyped data decoded", lengthAndPreview(*text));
    done = true;
    return text;
}

// The string after the first "NSString": read where the archive stores it when the bytes have
// the usual layout, otherwise cut out of the decoded text between fixed distances from the
// "NSString" and "NSDictionary" markers.
std::optional<std::string> methodFour(std::span<const std::uint8_t> data) {
    log("Attempting Method 4: String scanning");
    bool valid = true;
    const GraphemeText s(decodeUtf8(data, valid));
    if (!valid) {
        log("UTF-8 failed, trying lossy ASCII");
    }
    log("String conversion succeeded, searching for NSString marker",
        {{"string_length", s.length()}, {"preview", s.prefix(kPreviewLength)}});

    static const icu::UnicodeString stringMarker(u"NSString");
    static const icu::UnicodeString dictionaryMarker(u"NSDictionary");
    const auto marker = s.find(stringMarker);
    if (!marker) {
        log("❌ Method 4 FAIL: No NSString marker found");
        return std::nullopt;
    }
    log("Found NSString marker, extracting text");

    // ASCII decodes one byte to one character, so the first "NSString" of the text is the
    // first one of the bytes as well.
    static constexpr std::string_view markerBytes = "NSString";
    const std::string_view raw(reinterpret_cast<const char*>(data.data()), data.size());
    const std::size_t markerByte = raw.find(markerBytes);
    const auto stored = markerByte == std::string_view::npos
                            ? std::nullopt
                            : readTypedStreamString(data, markerByte + markerBytes.size());

    icu::UnicodeString candidate;
    if (stored) {
        bool ignored = true;
        const GraphemeText remaining(decodeUtf8(data.subspan(stored->offset), ignored));
        log("After NSString skip", {{"remaining_length", remaining.length()},
                                    {"preview", remaining.prefix(kPreviewLength)}});
        const auto text = GraphemeText::fromUtf8(stored->text);
        if (remaining.find(dictionaryMarker)) {
            log("Found NSDictionary marker, extracted text", {{"extracted_length", text.length()}});
        }
        candidate = text.utf16();
    } else {
        // The fallback cut: a fixed skip after the marker, a fixed gap before "NSDictionary".
        const std::size_t start = std::min(marker->end + kMarkerSkip, s.length());
        log("After NSString skip", {{"remaining_length", s.length() - start},
                                    {"preview", s.slice(start, start + kPreviewLength)}});
        std::size_t end = s.length();
        if (const auto dictionary = s.find(dictionaryMarker, start)) {
            end = dictionary->begin - start < kDictionaryGap ? dictionary->begin
                                                             : dictionary->begin - kDictionaryGap;
            log("Found NSDictionary marker, extracted text", {{"extracted_length", end - start}});
        } else {
            log("No NSDictionary marker found, using all remaining text");
        }
        candidate = icu::UnicodeString::fromUTF8(s.slice(start, end));
    }

    const auto cleaned = trimWhitespaceAndNewlines(candidate);
    if (cleaned.isEmpty()) {
        log("❌ Method 4 FAIL: Cleaned text is empty after trimming");
        return std::nullopt;
    }
    const auto text = toUtf8(cleaned);
    log("✅ Method 4 SUCCESS: String scanning worked",
        {{"text_length", GraphemeText(cleaned).length()}, {"text", text}});
    return text;
}

}  // namespace

std::optional<std::string> decodePropertyListText(std::span<const std::uint8_t> data) {
    const auto list = PropertyList::parse(data);
    if (!list) {
        return std::nullopt;
    }
    if (auto text = PropertyList::stringValue(list->root())) {
        return sanitizedUtf8(*text);
    }
    for (const char* key : {"NSString", "string"}) {
        if (auto text = PropertyList::stringValue(PropertyList::dictItem(list->root(), key))) {
            return sanitizedUtf8(*text);
        }
    }
    return std::nullopt;
}

std::optional<std::string> extractTextFromAttributedBody(
    const std::optional<std::vector<std::uint8_t>>& data) {
    if (!data) {
        return std::nullopt;
    }
    const std::span<const std::uint8_t> bytes(*data);
    bool done = false;
    for (auto method : {methodOne, methodTwo, methodThree}) {
        auto text = method(bytes, done);
        if (done) {
            return text;
        }
    }
    return methodFour(bytes);
}

}  // namespace nabbit
