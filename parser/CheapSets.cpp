#include "parser/CheapSets.h"

#include <array>
#include <cctype>
#include <charconv>
#include <vector>

#include <unicode/uniset.h>

namespace nabbit {

namespace {

// Whether any inline flag group turns free-spacing on ('(?x)', '(?ix:'): comments there may
// hold brackets that are no sets.
bool mayBeFreeSpacing(std::string_view pattern) {
    for (std::size_t at = pattern.find("(?"); at != std::string_view::npos;
         at = pattern.find("(?", at + 2)) {
        for (std::size_t i = at + 2; i < pattern.size(); ++i) {
            const char c = pattern[i];
            if (c == 'x') {
                return true;
            }
            if (c == '-') {
                break;  // Flags after '-' are turned off.
            }
            if (std::isalpha(static_cast<unsigned char>(c)) == 0) {
                break;
            }
        }
    }
    return false;
}

// A character that stands for itself inside a set, so that it can end a range ('a' of 'a-z').
// ICU reads '&' (intersection), '-' and the brackets otherwise, and takes the start of a range
// after '&' from whatever literal came before, even in an earlier set.
bool isPlainInSet(char c) {
    return c != '\\' && c != '[' && c != ']' && c != '&' && c != '-' && c != '^';
}

std::string hexEscape(UChar32 c) {
    std::array<char, 8> digits{};
    char* end = std::to_chars(digits.data(), digits.data() + digits.size(), c, 16).ptr;
    return "\\x{" + std::string(digits.data(), end) + "}";
}

// The members of a set as a set's ranges, '\x{2160}-\x{2182}\x{3007}'.
std::string rangesOf(const icu::UnicodeSet& set) {
    std::string out;
    for (int32_t i = 0; i < set.getRangeCount(); ++i) {
        out += hexEscape(set.getRangeStart(i));
        if (set.getRangeEnd(i) != set.getRangeStart(i)) {
            out += '-';
            out += hexEscape(set.getRangeEnd(i));
        }
    }
    return out;
}

// The set of a general category written as a binary property's, '[[\p{ID_Start}--[extra]]
// missing]': what the property has beyond the category taken out, what it lacks added.
// Empty when ICU cannot build either.
std::string viaBinaryProperty(const char16_t* category, std::string_view property) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeSet wanted(icu::UnicodeString(category), status);
    const std::string propertySet = "\\p{" + std::string(property) + "}";
    const icu::UnicodeSet cheap(
        icu::UnicodeString::fromUTF8(icu::StringPiece("[" + propertySet + "]")), status);
    if (U_FAILURE(status)) {
        return {};
    }
    icu::UnicodeSet extra(cheap);
    extra.removeAll(wanted);
    icu::UnicodeSet missing(wanted);
    missing.removeAll(cheap);
    std::string out = "[";
    out += extra.isEmpty() ? propertySet : "[" + propertySet + "--[" + rangesOf(extra) + "]]";
    out += rangesOf(missing);
    out += ']';
    return out;
}

// The cheap form of a letter category ('L', 'Lu', 'Ll'); empty for any other name.
const std::string& cheapLetters(std::string_view name) {
    static const std::string none;
    if (name == "L") {
        static const std::string letters = viaBinaryProperty(u"[\\p{L}]", "ID_Start");
        return letters;
    }
    if (name == "Lu") {
        static const std::string upper = viaBinaryProperty(u"[\\p{Lu}]", "Uppercase");
        return upper;
    }
    if (name == "Ll") {
        static const std::string lower = viaBinaryProperty(u"[\\p{Ll}]", "Lowercase");
        return lower;
    }
    return none;
}

// Whether ICU reads the ':' at `colon`, just inside a set's '[', as the start of a POSIX-like
// class ('[:alpha:]'). It looks ahead for the next ':' that no escape it reads as a literal
// ('\x{..}', '\n', ...) comes before, however far, and takes a ']' right after that one as
// the class's end ('[:：=]' is no class). The rewrites only add such escapes and never a ':',
// so a set that is no class as written is none rewritten.
bool opensPosixClass(std::string_view pattern, std::size_t colon) {
    std::size_t i = colon + 1;
    if (i < pattern.size() && pattern[i] == '^') {
        ++i;
    }
    // The first character is taken whatever it is; an escape there is not followed.
    if (i >= pattern.size() || pattern[i] == '\\') {
        return true;
    }
    for (++i; i < pattern.size(); ++i) {
        if (pattern[i] == '\\') {
            const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
            if (std::string_view("acefnrtuUx0").find(next) != std::string_view::npos) {
                return false;
            }
        } else if (pattern[i] == ':') {
            return i + 1 < pattern.size() && pattern[i + 1] == ']';
        }
    }
    return false;
}

// Whether case is ignored after the flags of '(?flags)' or '(?flags:', given whether it was
// before them.
bool ignoresCaseAfter(std::string_view flags, bool ignoring) {
    bool on = true;
    for (const char flag : flags) {
        if (flag == '-') {
            on = false;
        } else if (flag == 'i') {
            ignoring = on;
        }
    }
    return ignoring;
}

}  // namespace

std::optional<std::string> withCheapSets(std::string_view pattern, CheapSetsOptions options) {
    const bool digits = options.asciiDigits && pattern.find("\\d") != std::string_view::npos;
    const bool letters = pattern.find("\\p{L") != std::string_view::npos;
    // Comment groups may hold brackets too.
    if ((!digits && !letters) || pattern.find("(?#") != std::string_view::npos ||
        mayBeFreeSpacing(pattern)) {
        return std::nullopt;
    }
    std::string out;
    out.reserve(pattern.size() + 8);
    bool inSet = false;
    bool changed = false;
    // Whether the last thing copied inside the set was a plain character (isPlainInSet).
    bool afterPlain = false;
    // Whether case is ignored here, and what it was outside each open group.
    bool ignoringCase = options.caseInsensitive;
    std::vector<bool> outerIgnoringCase;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '\\') {
            if (i + 1 >= pattern.size()) {
                return std::nullopt;
            }
            const char escaped = pattern[i + 1];
            // Quoting, a control character ('\c\' takes the backslash after it) and a
            // one-letter property ('\pL') are not followed.
            const bool braced = i + 2 < pattern.size() && pattern[i + 2] == '{';
            if (escaped == 'Q' || escaped == 'c' ||
                ((escaped == 'p' || escaped == 'P') && !braced)) {
                return std::nullopt;
            }
            ++i;
            afterPlain = false;
            if (escaped == 'd' && options.asciiDigits) {
                // Escaped, so that no escape before it ('\0', '\x', '\u') takes the digits as
                // its own.
                out += inSet ? "\\x{30}-\\x{39}" : "[\\x{30}-\\x{39}]";
                changed = true;
                continue;
            }
            if (escaped == 'D' && options.asciiDigits && !inSet) {
                out += "[^\\x{30}-\\x{39}]";
                changed = true;
                continue;
            }
            // \p{..}, \N{..}, \x{..}: taken whole, so that no brace or bracket in them counts.
            if (braced) {
                const std::size_t close = pattern.find('}', i + 1);
                if (close == std::string_view::npos) {
                    return std::nullopt;
                }
                const std::string_view name = pattern.substr(i + 2, close - i - 2);
                const std::string& cheap =
                    escaped == 'p' && !ignoringCase ? cheapLetters(name) : std::string();
                if (!cheap.empty()) {
                    out += cheap;
                    changed = true;
                } else {
                    out.append(pattern.substr(i - 1, close - i + 2));
                }
                i = close;
                continue;
            }
            out += c;
            out += escaped;
            continue;
        }
        if (c == '[') {
            if (inSet) {
                return std::nullopt;
            }
            inSet = true;
            out += c;
            if (i + 1 < pattern.size() && pattern[i + 1] == '^') {
                out += '^';
                ++i;
            }
            // A ']' first in a set, or a POSIX class, is read some other way: left alone.
            if (i + 1 < pattern.size() &&
                (pattern[i + 1] == ']' ||
                 (pattern[i + 1] == ':' && opensPosixClass(pattern, i + 1)))) {
                return std::nullopt;
            }
            afterPlain = false;
            continue;
        }
        if (inSet) {
            if (c == ']') {
                inSet = false;
            } else if (c == '&' && i + 1 < pattern.size() && pattern[i + 1] == '&') {
                return std::nullopt;
            } else if (c == '-' &&
                       (!afterPlain || i + 1 >= pattern.size() || !isPlainInSet(pattern[i + 1]))) {
                // Only ranges between plain characters ('a-z') are followed; ICU reads a '-'
                // anywhere else by rules of its own, some of which the rewrite would change.
                return std::nullopt;
            }
            afterPlain = c != '-' && isPlainInSet(c);
        } else if (c == '(') {
            // '(?i)' changes the rest of the group it is in, '(?i:' opens one of its own.
            std::size_t end = i + 1;
            if (end < pattern.size() && pattern[end] == '?') {
                ++end;
                while (end < pattern.size() &&
                       (std::isalpha(static_cast<unsigned char>(pattern[end])) != 0 ||
                        pattern[end] == '-')) {
                    ++end;
                }
            }
            const std::string_view flags =
                end > i + 2 ? pattern.substr(i + 2, end - i - 2) : std::string_view();
            if (end < pattern.size() && pattern[end] == ')' && !flags.empty()) {
                ignoringCase = ignoresCaseAfter(flags, ignoringCase);
                out.append(pattern.substr(i, end - i + 1));
                i = end;
                continue;
            }
            outerIgnoringCase.push_back(ignoringCase);
            if (end < pattern.size() && pattern[end] == ':') {
                ignoringCase = ignoresCaseAfter(flags, ignoringCase);
            }
        } else if (c == ')') {
            if (outerIgnoringCase.empty()) {
                return std::nullopt;
            }
            ignoringCase = outerIgnoringCase.back();
            outerIgnoringCase.pop_back();
        }
        out += c;
    }
    if (inSet || !changed || !outerIgnoringCase.empty()) {
        return std::nullopt;
    }
    return out;
}

}  // namespace nabbit
