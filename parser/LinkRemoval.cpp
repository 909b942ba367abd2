#include "parser/LinkRemoval.h"

#include <optional>
#include <string>

#include "parser/FixedPatterns.h"

namespace nabbit {

namespace {

// The set a bracket expression of the domain-path pattern stands for. Case-insensitive
// matching widens [a-zA-Z] beyond ASCII (the Kelvin sign, the long s); the candidates are
// the case closure of the expression, each kept only when the compiled class matches it.
icu::UnicodeSet classOfDomainPattern(const std::string& expression) {
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeSet closure(icu::UnicodeString::fromUTF8(expression), status);
    closure.closeOver(USET_CASE_INSENSITIVE);
    closure.removeAllStrings();
    const Regex single = compileFixed(("^" + expression + "$").c_str(), true);
    icu::UnicodeSet exact;
    for (int32_t i = 0; i < closure.size(); ++i) {
        const icu::UnicodeString one(closure.charAt(i));
        auto scanner = single.scan(one);
        if (scanner.next()) {
            exact.add(closure.charAt(i));
        }
    }
    exact.freeze();
    return exact;
}

// Where the walk that the pattern can make from a label start at `start` ends: through label
// characters, and across each dot that is followed by a label start.
int32_t endOfDomainRun(const icu::UnicodeString& text, int32_t start) {
    const icu::UnicodeSet& label = domainLabelCharacters();
    const icu::UnicodeSet& labelStart = domainLabelStartCharacters();
    const int32_t length = text.length();
    int32_t i = start;
    while (true) {
        while (i < length && label.contains(text.char32At(i))) {
            i = text.moveIndex32(i, 1);
        }
        if (i + 1 < length && text.charAt(i) == u'.' && labelStart.contains(text.char32At(i + 1))) {
            ++i;
            continue;
        }
        return i;
    }
}

}  // namespace

const icu::UnicodeSet& domainLabelStartCharacters() {
    static const icu::UnicodeSet set = classOfDomainPattern("[a-zA-Z0-9]");
    return set;
}

const icu::UnicodeSet& domainLabelCharacters() {
    static const icu::UnicodeSet set = classOfDomainPattern("[-a-zA-Z0-9]");
    return set;
}

icu::UnicodeString removeDomainPaths(const icu::UnicodeString& text) {
    // Searching with the pattern alone retries every position of a long run of letters and
    // digits and rescans the run each time: quadratic, minutes for a 100 kB message. But a
    // match that fails from a label start also fails from every later position the pattern
    // could have walked to from there (each such start has a subset of its continuations),
    // so after a failure the whole run is passed over. Every match is still the pattern's own.
    if (text.indexOf(u'/') < 0) {
        return text;
    }
    const icu::UnicodeSet& labelStart = domainLabelStartCharacters();
    auto scanner = fixedPatterns().domainPathPattern.scan(text);
    icu::UnicodeString out;
    const int32_t length = text.length();
    int32_t copied = 0;
    int32_t pos = 0;
    while (pos < length) {
        if (!labelStart.contains(text.char32At(pos))) {
            pos = text.moveIndex32(pos, 1);
            continue;
        }
        if (const std::optional<int32_t> end = scanner.matchAt(pos); end && *end > pos) {
            out.append(text, copied, pos - copied);
            copied = *end;
            pos = *end;
            continue;
        }
        pos = endOfDomainRun(text, pos);
    }
    out.append(text, copied, length - copied);
    return out;
}

icu::UnicodeString removeLinks(const icu::UnicodeString& text) {
    // Both patterns need a slash (which has no case variants): most messages keep all they have.
    if (text.indexOf(u'/') < 0) {
        return text;
    }
    const icu::UnicodeString withoutLinks =
        fixedPatterns().linkPattern.scan(text).replaceAll(icu::UnicodeString());
    return removeDomainPaths(withoutLinks);
}

}  // namespace nabbit
