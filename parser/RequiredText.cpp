#include "parser/RequiredText.h"

#include <algorithm>
#include <optional>
#include <set>
#include <unordered_map>
#include <utility>

#include <unicode/uniset.h>
#include <unicode/usetiter.h>

#include "parser/UnicodeText.h"

namespace nabbit {

namespace {

// An exact node knows every string it can match, as long as there are few and short ones.
constexpr std::size_t kMaxStrings = 64;
constexpr std::size_t kMaxLength = 48;
// Shorter strings occur nearly everywhere; a clause holding one is dropped. A single
// character beyond ASCII ('円', '원', '€') is rare enough to keep.
constexpr std::size_t kMinAtom = 2;
constexpr char16_t kFirstNonAscii = 0x80;
constexpr std::size_t kMaxClauses = 4;
constexpr std::size_t kMaxClauseStrings = 256;
constexpr int kMaxDepth = 64;
// A set of up to this many plain characters is known exactly ('[€£¥]').
constexpr std::size_t kMaxSetChars = 16;

using Strings = std::set<std::u16string>;
using Clause = std::vector<std::u16string>;

// What a part of a pattern matches: either exactly one of a known set of strings, or an
// unknown text that contains a string of each clause (no clauses: anything).
struct Info {
    bool exact = false;
    Strings strings;
    std::vector<Clause> clauses;
};

Info emptyMatch() {
    return Info{true, {u""}, {}};
}

Info unknown() {
    return Info{};
}

Info exactly(Strings strings) {
    return Info{true, std::move(strings), {}};
}

std::u16string folded(const icu::UnicodeString& text) {
    icu::UnicodeString copy(text);
    copy.foldCase();
    return std::u16string(copy.getBuffer(), static_cast<std::size_t>(copy.length()));
}

// The folded form of a literal character, when every character that (?i) lets it match
// folds to that same form; otherwise matching it tells nothing usable.
std::optional<std::u16string> foldedLiteral(UChar32 c) {
    static_assert(sizeof(char16_t) == sizeof(UChar));
    if (c < 0x80) {
        const auto lower = static_cast<char16_t>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        return std::u16string(1, lower);
    }
    // Closing over case is costly and patterns repeat their letters ('é', 'ş', 'к').
    thread_local std::unordered_map<UChar32, std::optional<std::u16string>> known;
    if (const auto it = known.find(c); it != known.end()) {
        return it->second;
    }
    const std::u16string own = folded(icu::UnicodeString(c));
    std::optional<std::u16string> result = own;
    icu::UnicodeSet variants(c, c);
    variants.closeOver(USET_CASE_INSENSITIVE);
    for (icu::UnicodeSetIterator it(variants); it.next();) {
        const icu::UnicodeString variant =
            it.isString() ? it.getString() : icu::UnicodeString(it.getCodepoint());
        if (folded(variant) != own) {
            result = std::nullopt;
            break;
        }
    }
    known.emplace(c, result);
    return result;
}

bool qualifies(const Strings& strings) {
    return !strings.empty() && strings.size() <= kMaxClauseStrings &&
           std::all_of(strings.begin(), strings.end(), [](const std::u16string& s) {
               return s.size() >= kMinAtom || (s.size() == 1 && s.front() >= kFirstNonAscii);
           });
}

std::size_t shortest(const Clause& clause) {
    std::size_t n = kMaxLength + 1;
    for (const auto& s : clause) {
        n = std::min(n, s.size());
    }
    return n;
}

// The most telling clauses first: long strings, then few of them.
void prune(std::vector<Clause>& clauses) {
    std::sort(clauses.begin(), clauses.end());
    clauses.erase(std::unique(clauses.begin(), clauses.end()), clauses.end());
    std::stable_sort(clauses.begin(), clauses.end(), [](const Clause& a, const Clause& b) {
        const auto la = shortest(a);
        const auto lb = shortest(b);
        return la != lb ? la > lb : a.size() < b.size();
    });
    if (clauses.size() > kMaxClauses) {
        clauses.resize(kMaxClauses);
    }
}

void addClause(std::vector<Clause>& clauses, const Strings& strings) {
    if (qualifies(strings)) {
        clauses.emplace_back(strings.begin(), strings.end());
    }
}

std::vector<Clause> clausesOf(const Info& info) {
    if (!info.exact) {
        return info.clauses;
    }
    std::vector<Clause> clauses;
    addClause(clauses, info.strings);
    return clauses;
}

std::optional<Strings> product(const Strings& a, const Strings& b) {
    if (a.size() * b.size() > kMaxStrings) {
        return std::nullopt;
    }
    Strings out;
    for (const auto& x : a) {
        for (const auto& y : b) {
            if (x.size() + y.size() > kMaxLength) {
                return std::nullopt;
            }
            out.insert(x + y);
        }
    }
    return out;
}

// Items matched one after the other: runs of exact items join into longer strings.
class Sequence {
  public:
    // One literal character, read as exactly its folded form: most of a pattern is these,
    // and growing the one string in place spares making an Info for each.
    void addLiteral(const std::u16string& folded) {
        if (run_.size() == 1 && run_.begin()->size() + folded.size() <= kMaxLength) {
            auto node = run_.extract(run_.begin());
            node.value() += folded;
            run_.insert(std::move(node));
            return;
        }
        add(exactly({folded}));
    }

    void add(const Info& item) {
        if (item.exact) {
            // Most items are one literal after another: grow the one string in place.
            if (run_.size() == 1 && item.strings.size() == 1) {
                const auto& tail = *item.strings.begin();
                if (run_.begin()->size() + tail.size() <= kMaxLength) {
                    auto node = run_.extract(run_.begin());
                    node.value() += tail;
                    run_.insert(std::move(node));
                    return;
                }
            }
            if (auto joined = product(run_, item.strings)) {
                run_ = *std::move(joined);
                return;
            }
            flush();
            exact_ = false;
            run_ = item.strings;
            return;
        }
        flush();
        exact_ = false;
        clauses_.insert(clauses_.end(), item.clauses.begin(), item.clauses.end());
        prune(clauses_);
    }

    Info result() {
        if (exact_) {
            return exactly(run_);
        }
        flush();
        prune(clauses_);
        Info info;
        info.clauses = std::move(clauses_);
        return info;
    }

  private:
    void flush() {
        addClause(clauses_, run_);
        run_ = {u""};
    }

    std::vector<Clause> clauses_;
    Strings run_{u""};
    bool exact_ = true;
};

Info alternative(std::vector<Info>& branches) {
    if (branches.size() == 1) {
        return std::move(branches.front());
    }
    if (std::all_of(branches.begin(), branches.end(), [](const Info& b) { return b.exact; })) {
        Strings all;
        for (const auto& branch : branches) {
            all.insert(branch.strings.begin(), branch.strings.end());
        }
        if (all.size() <= kMaxStrings) {
            return exactly(std::move(all));
        }
    }
    // Each branch's best clause; a match of the whole holds a string of one of them.
    Strings any;
    for (const auto& branch : branches) {
        const auto clauses = clausesOf(branch);
        if (clauses.empty()) {
            return unknown();
        }
        any.insert(clauses.front().begin(), clauses.front().end());
    }
    Info info;
    addClause(info.clauses, any);
    return info;
}

Info repeated(const Info& item, int min, int max) {
    if (min == 0) {
        if (max == 1 && item.exact) {
            Strings strings = item.strings;
            strings.insert(u"");
            return exactly(std::move(strings));
        }
        return unknown();
    }
    if (min == 1 && max == 1) {
        return item;
    }
    Info info;
    info.clauses = clausesOf(item);
    return info;
}

bool isAsciiAlnum(char32_t c) {
    return (c >= U'0' && c <= U'9') || (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
}

int hexValue(char32_t c) {
    if (c >= U'0' && c <= U'9') {
        return static_cast<int>(c - U'0');
    }
    if (c >= U'a' && c <= U'f') {
        return static_cast<int>(c - U'a') + 10;
    }
    if (c >= U'A' && c <= U'F') {
        return static_cast<int>(c - U'A') + 10;
    }
    return -1;
}

// Reads ICU pattern syntax. Anything it is unsure of makes the whole reading fail, which
// costs only the filtering, never a match.
class Reader {
  public:
    explicit Reader(std::u32string pattern) : p_(std::move(pattern)) {}

    std::optional<Info> read() {
        Info top = alternation();
        if (failed_ || pos_ != p_.size()) {
            return std::nullopt;
        }
        return top;
    }

  private:
    bool atEnd() const { return pos_ >= p_.size(); }
    char32_t peek() const { return p_[pos_]; }

    Info fail() {
        failed_ = true;
        return unknown();
    }

    void expectClose() {
        if (atEnd() || peek() != U')') {
            failed_ = true;
            return;
        }
        ++pos_;
    }

    Info literal(char32_t c) {
        if (auto f = foldedLiteral(static_cast<UChar32>(c))) {
            return exactly({*std::move(f)});
        }
        return unknown();
    }

    Info alternation() {
        if (++depth_ > kMaxDepth) {
            return fail();
        }
        std::vector<Info> branches{sequence()};
        while (!failed_ && !atEnd() && peek() == U'|') {
            ++pos_;
            branches.push_back(sequence());
        }
        --depth_;
        return failed_ ? unknown() : alternative(branches);
    }

    Info sequence() {
        Sequence seq;
        while (!failed_ && !atEnd() && peek() != U'|' && peek() != U')') {
            if (const auto folded = plainLiteral()) {
                ++pos_;
                seq.addLiteral(*folded);
                continue;
            }
            Info item = atom();
            int min = 1;
            int max = 1;
            if (quantifier(min, max)) {
                item = repeated(item, min, max);
                if (!atEnd() &&
                    (peek() == U'*' || peek() == U'+' || peek() == U'?' || peek() == U'{')) {
                    return fail();
                }
            }
            seq.add(item);
        }
        return failed_ ? unknown() : seq.result();
    }

    // The folded form of the character at the reading position when it is an unquantified
    // literal that folds to itself alone (what atom() would read as exactly that string).
    std::optional<std::u16string> plainLiteral() const {
        const char32_t c = peek();
        switch (c) {
            case U'(':
            case U')':
            case U'[':
            case U']':
            case U'{':
            case U'}':
            case U'\\':
            case U'.':
            case U'^':
            case U'$':
            case U'*':
            case U'+':
            case U'?':
            case U'|':
                return std::nullopt;
            default:
                break;
        }
        if (pos_ + 1 < p_.size()) {
            const char32_t next = p_[pos_ + 1];
            if (next == U'*' || next == U'+' || next == U'?' || next == U'{') {
                return std::nullopt;
            }
        }
        return foldedLiteral(static_cast<UChar32>(c));
    }

    // A quantifier after an atom, with its lazy or possessive mark; false when there is none.
    bool quantifier(int& min, int& max) {
        if (failed_ || atEnd()) {
            return false;
        }
        const char32_t c = peek();
        if (c == U'*') {
            min = 0;
            max = -1;
        } else if (c == U'+') {
            min = 1;
            max = -1;
        } else if (c == U'?') {
            min = 0;
            max = 1;
        } else if (c == U'{') {
            ++pos_;
            const auto first = number();
            if (!first) {
                failed_ = true;
                return false;
            }
            min = *first;
            max = min;
            if (!atEnd() && peek() == U',') {
                ++pos_;
                const auto second = number();
                max = second ? *second : -1;
            }
            if (atEnd() || peek() != U'}') {
                failed_ = true;
                return false;
            }
        } else {
            return false;
        }
        ++pos_;
        if (!atEnd() && (peek() == U'?' || peek() == U'+')) {
            ++pos_;
        }
        return true;
    }

    std::optional<int> number() {
        int value = 0;
        std::size_t digits = 0;
        while (!atEnd() && peek() >= U'0' && peek() <= U'9' && digits < 7) {
            value = value * 10 + static_cast<int>(peek() - U'0');
            ++pos_;
            ++digits;
        }
        if (digits == 0) {
            return std::nullopt;
        }
        return value;
    }

    Info atom() {
        const char32_t c = p_[pos_++];
        switch (c) {
            case U'(':
                return group();
            case U'[':
                return set();
            case U'\\':
                return escape();
            case U'.':
                return unknown();
            case U'^':
            case U'$':
                return emptyMatch();
            case U'*':
            case U'+':
            case U'?':
            case U'{':
            case U'}':
            case U']':
                return fail();
            default:
                return literal(c);
        }
    }

    Info group() {
        if (atEnd() || peek() != U'?') {
            return closedGroup();
        }
        ++pos_;
        if (atEnd()) {
            return fail();
        }
        const char32_t c = p_[pos_++];
        switch (c) {
            case U':':
            case U'>':
                return closedGroup();
            case U'=':
            case U'!':
                closedGroup();
                return failed_ ? unknown() : emptyMatch();
            case U'#':
                while (!atEnd() && peek() != U')') {
                    ++pos_;
                }
                expectClose();
                return failed_ ? unknown() : emptyMatch();
            case U'<':
                if (!atEnd() && (peek() == U'=' || peek() == U'!')) {
                    ++pos_;
                    closedGroup();
                    return failed_ ? unknown() : emptyMatch();
                }
                while (!atEnd() && isAsciiAlnum(peek())) {
                    ++pos_;
                }
                if (atEnd() || peek() != U'>') {
                    return fail();
                }
                ++pos_;
                return closedGroup();
            default:
                --pos_;
                return flags();
        }
    }

    // (?ims-ims) or (?ims-ims:...). Free spacing changes how the rest reads: give up.
    Info flags() {
        bool on = true;
        while (!atEnd() && peek() != U')' && peek() != U':') {
            const char32_t f = p_[pos_++];
            if (f == U'-') {
                on = false;
            } else if (f == U'x' && on) {
                return fail();
            } else if (f != U'i' && f != U'm' && f != U's' && f != U'w' && f != U'x') {
                return fail();
            }
        }
        if (atEnd()) {
            return fail();
        }
        if (p_[pos_++] == U')') {
            return emptyMatch();
        }
        return closedGroup();
    }

    Info closedGroup() {
        Info inner = alternation();
        expectClose();
        return failed_ ? unknown() : inner;
    }

    // A set of a few plain characters ([oó], [.,]) is known exactly; any other set is one
    // unknown character.
    Info set() {
        bool plain = true;
        std::vector<char32_t> chars;
        if (atEnd() || peek() == U']') {
            return fail();
        }
        if (peek() == U'^' || peek() == U':') {
            plain = false;
        }
        int depth = 1;
        while (true) {
            if (atEnd()) {
                return fail();
            }
            const char32_t c = p_[pos_++];
            if (c == U'\\') {
                if (atEnd()) {
                    return fail();
                }
                const char32_t e = p_[pos_++];
                if (e == U'Q' || e == U'E') {
                    return fail();
                }
                if (isAsciiAlnum(e)) {
                    plain = false;
                    if ((e == U'p' || e == U'P' || e == U'N' || e == U'x') && !atEnd() &&
                        peek() == U'{') {
                        while (!atEnd() && peek() != U'}') {
                            ++pos_;
                        }
                        if (atEnd()) {
                            return fail();
                        }
                        ++pos_;
                    }
                } else if (depth == 1) {
                    chars.push_back(e);
                }
            } else if (c == U'[') {
                ++depth;
                plain = false;
            } else if (c == U']') {
                if (--depth == 0) {
                    break;
                }
            } else if (c == U'-' || c == U'&' || c == U'{' || c == U'}' || c == U'$') {
                plain = false;
            } else if (depth == 1) {
                chars.push_back(c);
            }
        }
        if (!plain || chars.empty() || chars.size() > kMaxSetChars) {
            return unknown();
        }
        Strings strings;
        for (const char32_t c : chars) {
            auto f = foldedLiteral(static_cast<UChar32>(c));
            if (!f) {
                return unknown();
            }
            strings.insert(*std::move(f));
        }
        return exactly(std::move(strings));
    }

    Info escape() {
        if (atEnd()) {
            return fail();
        }
        const char32_t c = p_[pos_++];
        switch (c) {
            case U'b':
            case U'B':
                if (!atEnd() && peek() == U'{') {
                    return fail();
                }
                return emptyMatch();
            case U'A':
            case U'z':
            case U'Z':
            case U'G':
                return emptyMatch();
            case U'd':
            case U'D':
            case U'w':
            case U'W':
            case U's':
            case U'S':
            case U'h':
            case U'H':
            case U'v':
            case U'V':
            case U'R':
            case U'X':
                return unknown();
            case U'p':
            case U'P':
                if (atEnd()) {
                    return fail();
                }
                if (peek() == U'{') {
                    return skipBraces() ? unknown() : fail();
                }
                ++pos_;
                return unknown();
            case U'N':
                return !atEnd() && peek() == U'{' && skipBraces() ? unknown() : fail();
            case U'Q':
                return quoted();
            case U'x':
                return hexEscape();
            case U'u':
                return fixedHex(4);
            case U'U':
                return fixedHex(8);
            case U't':
                return literal(U'\t');
            case U'n':
                return literal(U'\n');
            case U'r':
                return literal(U'\r');
            case U'f':
                return literal(U'\f');
            case U'a':
                return literal(U'\a');
            case U'e':
                return literal(U'\x1B');
            default:
                // Back-references, octal and control escapes, and letters ICU may read some
                // day: not worth the risk.
                if (isAsciiAlnum(c)) {
                    return fail();
                }
                return literal(c);
        }
    }

    bool skipBraces() {
        while (!atEnd() && peek() != U'}') {
            ++pos_;
        }
        if (atEnd()) {
            return false;
        }
        ++pos_;
        return true;
    }

    Info quoted() {
        Sequence seq;
        while (!atEnd()) {
            if (peek() == U'\\' && pos_ + 1 < p_.size() && p_[pos_ + 1] == U'E') {
                pos_ += 2;
                break;
            }
            seq.add(literal(p_[pos_++]));
        }
        return seq.result();
    }

    Info hexEscape() {
        if (atEnd() || peek() != U'{') {
            return fixedHex(2);
        }
        ++pos_;
        char32_t value = 0;
        std::size_t digits = 0;
        while (!atEnd() && peek() != U'}') {
            const int h = hexValue(p_[pos_++]);
            if (h < 0 || ++digits > 6) {
                return fail();
            }
            value = value * 16 + static_cast<char32_t>(h);
        }
        if (atEnd() || digits == 0) {
            return fail();
        }
        ++pos_;
        return codePoint(value);
    }

    Info fixedHex(int digits) {
        char32_t value = 0;
        for (int i = 0; i < digits; ++i) {
            const int h = atEnd() ? -1 : hexValue(peek());
            if (h < 0) {
                return fail();
            }
            ++pos_;
            value = value * 16 + static_cast<char32_t>(h);
        }
        return codePoint(value);
    }

    Info codePoint(char32_t value) {
        if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return fail();
        }
        return literal(value);
    }

    std::u32string p_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    bool failed_ = false;
};

}  // namespace

RequiredText requiredText(std::string_view icuPattern) {
    const icu::UnicodeString source = fromUtf8(icuPattern);
    std::u32string points;
    for (int32_t i = 0; i < source.length();) {
        const UChar32 c = source.char32At(i);
        points.push_back(static_cast<char32_t>(c));
        i += U16_LENGTH(c);
    }
    const auto info = Reader(std::move(points)).read();
    if (!info) {
        return {};
    }
    return RequiredText{clausesOf(*info)};
}

}  // namespace nabbit
