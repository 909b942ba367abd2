#include "parser/Regex.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <unordered_map>
#include <utility>

#include <unicode/parseerr.h>

#include "parser/CheapSets.h"
#include "parser/ContentHash.h"
#include "parser/GraphemeCount.h"
#include "parser/UnicodeText.h"

namespace nabbit {

namespace {

std::unique_ptr<icu::RegexMatcher> makeMatcher(const icu::RegexPattern& pattern, bool bounded) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern.matcher(status));
    if (U_FAILURE(status)) {
        return nullptr;
    }
    if (bounded) {
        matcher->setTimeLimit(Regex::kTimeLimit, status);
        matcher->setStackLimit(Regex::kStackLimit, status);
        if (U_FAILURE(status)) {
            return nullptr;
        }
    }
    return matcher;
}

// One matcher per pattern and thread. An entry keeps its pattern alive, so a pattern's
// address cannot be reused while its entry exists; entries whose pattern nobody else holds
// any more (their parser is gone) are swept out as the cache grows.
class MatcherCache {
  public:
    struct Entry {
        std::shared_ptr<const icu::RegexPattern> pattern;
        std::unique_ptr<icu::RegexMatcher> matcher;
        bool busy = false;
    };

    Entry* find(const std::shared_ptr<const icu::RegexPattern>& pattern, bool bounded) {
        auto it = entries_.find(pattern.get());
        if (it != entries_.end()) {
            return &it->second;
        }
        if (entries_.size() >= sweepAt_) {
            sweep();
        }
        auto matcher = makeMatcher(*pattern, bounded);
        if (!matcher) {
            return nullptr;
        }
        auto [inserted, ok] =
            entries_.emplace(pattern.get(), Entry{pattern, std::move(matcher), false});
        return ok ? &inserted->second : nullptr;
    }

  private:
    void sweep() {
        std::erase_if(entries_, [](const auto& item) {
            return !item.second.busy && item.second.pattern.use_count() == 1;
        });
        sweepAt_ = std::max<std::size_t>(kMinimumSweep, 2 * entries_.size());
    }

    static constexpr std::size_t kMinimumSweep = 256;
    std::unordered_map<const icu::RegexPattern*, Entry> entries_;
    std::size_t sweepAt_ = kMinimumSweep;
};

MatcherCache& threadCache() {
    thread_local MatcherCache cache;
    return cache;
}

}  // namespace

// Compiling a large case-insensitive pattern can cost ICU milliseconds (closing its sets
// over case), so a pattern is compiled once, on first need, whatever copies of it exist.
class Regex::State {
  public:
    // The source is the shared table's copy (its key), which outlives every state made for it.
    State(const std::string& source, RegexOptions options) : source_(source), options_(options) {}
    State(const std::string& source, RegexOptions options, RequiredText known)
        : source_(source), options_(options), text_(std::move(known)), textKnown_(true) {}

    const std::string& source() const { return source_; }
    RegexOptions options() const { return options_; }

    const RequiredText& requiredText() {
        if (!textKnown_.load(std::memory_order_acquire)) {
            std::call_once(textOnce_, [this] {
                text_ = nabbit::requiredText(source_);
                textKnown_.store(true, std::memory_order_release);
            });
        }
        return text_;
    }

    // Null when the pattern does not compile.
    const std::shared_ptr<const icu::RegexPattern>& pattern() {
        // Every scan asks; after the first compilation no call_once is needed.
        if (!compiled_.load(std::memory_order_acquire)) {
            std::call_once(once_, [this] { compileNow(); });
        }
        return pattern_;
    }
    int32_t groupCount() {
        pattern();
        return groupCount_;
    }
    bool compiled() const { return compiled_.load(std::memory_order_acquire); }

  private:
    void compileNow() {
        UErrorCode status = U_ZERO_ERROR;
        UParseError parseError{};
        const uint32_t flags = options_.caseInsensitive ? UREGEX_CASE_INSENSITIVE : 0;
        const auto rewritten = withCheapSets(
            source_,
            {.asciiDigits = options_.asciiDigits, .caseInsensitive = options_.caseInsensitive});
        std::shared_ptr<const icu::RegexPattern> compiled(icu::RegexPattern::compile(
            fromUtf8(rewritten ? *rewritten : source_), flags, parseError, status));
        if (U_SUCCESS(status) && compiled) {
            // Only matchers tell the number of groups.
            const std::unique_ptr<icu::RegexMatcher> probe(compiled->matcher(status));
            if (U_SUCCESS(status) && probe) {
                groupCount_ = probe->groupCount();
                pattern_ = std::move(compiled);
            }
        }
        compiled_.store(true, std::memory_order_release);
    }

    const std::string& source_;
    const RegexOptions options_;
    std::once_flag once_;
    std::atomic<bool> compiled_{false};
    std::shared_ptr<const icu::RegexPattern> pattern_;
    int32_t groupCount_ = 0;
    // Known from the start when made with it, else read from the source on first need.
    std::once_flag textOnce_;
    RequiredText text_;
    std::atomic<bool> textKnown_{false};
};

namespace {

// The states of the patterns some Regex still holds, by options and source: a parser built
// later from the same files (the mail source gets a parser of its own) shares what the first
// one compiled. Only making a Regex takes the lock; matching never does. A state refers to its
// source here rather than keeping a copy: thousands of long sources would otherwise be held
// twice. An entry goes only once its state is gone; a state's destructor does not read its
// source, so the order in which the process tears down the table and the last states (held
// by statics) does not matter.
class SharedStates {
  public:
    // A state made now starts with the required text when it is given.
    std::shared_ptr<Regex::State> get(std::string_view source, RegexOptions options,
                                      RequiredText* known = nullptr) {
        Table& table = tables_[(options.caseInsensitive ? 1 : 0) + (options.bounded ? 2 : 0) +
                               (options.asciiDigits ? 4 : 0)];
        auto& entries = table.entries;
        const std::lock_guard lock(mutex_);
        auto it = entries.find(source);
        if (it == entries.end()) {
            it = entries.emplace(std::string(source), std::weak_ptr<Regex::State>()).first;
        } else if (auto state = it->second.lock()) {
            return state;
        }
        auto state = known ? std::make_shared<Regex::State>(it->first, options, std::move(*known))
                           : std::make_shared<Regex::State>(it->first, options);
        it->second = state;
        if (entries.size() >= table.sweepAt) {
            std::erase_if(entries, [](const auto& item) { return item.second.expired(); });
            table.sweepAt = std::max<std::size_t>(kMinimumSweep, 2 * entries.size());
        }
        return state;
    }

  private:
    struct Hash {
        using is_transparent = void;
        // Sources run to hundreds of bytes; the standard hash reads them a byte at a time.
        std::size_t operator()(std::string_view text) const {
            return static_cast<std::size_t>(contentHash(text));
        }
    };
    using Entries =
        std::unordered_map<std::string, std::weak_ptr<Regex::State>, Hash, std::equal_to<>>;

    static constexpr std::size_t kMinimumSweep = 256;
    // Each table is swept by its own size: one count for all would let a small table's sweep
    // set a mark that a large one then passes on every insertion.
    struct Table {
        Entries entries;
        std::size_t sweepAt = kMinimumSweep;
    };
    std::mutex mutex_;
    // By options: case-insensitive adds one, bounded two, ASCII digits four.
    std::array<Table, 8> tables_;
};

SharedStates& sharedStates() {
    static SharedStates states;
    return states;
}

const icu::UnicodeString& emptyText() {
    static const icu::UnicodeString empty;
    return empty;
}

}  // namespace

std::optional<Regex> Regex::compile(std::string_view pattern, RegexOptions options) {
    Regex regex = deferred(pattern, options);
    if (!regex.compiles()) {
        return std::nullopt;
    }
    return regex;
}

Regex Regex::deferred(std::string_view pattern, RegexOptions options) {
    return Regex(sharedStates().get(pattern, options));
}

Regex Regex::deferred(std::string_view pattern, RegexOptions options, RequiredText known) {
    return Regex(sharedStates().get(pattern, options, &known));
}

const std::string& Regex::source() const {
    return state_->source();
}

bool Regex::compiles() const {
    return state_->pattern() != nullptr;
}

bool Regex::isCompiled() const {
    return state_->compiled();
}

int32_t Regex::groupCount() const {
    return state_->groupCount();
}

bool Regex::bounded() const {
    return state_->options().bounded;
}

RegexOptions Regex::options() const {
    return state_->options();
}

const RequiredText& Regex::requiredText() const {
    return state_->requiredText();
}

Regex::Scanner Regex::scan(const icu::UnicodeString& text) const {
    return Scanner(*this, text);
}

Regex::Scanner::Scanner(const Regex& regex, const icu::UnicodeString& text) : text_(text) {
    const auto& pattern = regex.state_->pattern();
    if (!pattern) {
        failed_ = true;
        return;
    }
    const bool bounded = regex.bounded();
    MatcherCache::Entry* entry = threadCache().find(pattern, bounded);
    if (entry != nullptr && !entry->busy) {
        entry->busy = true;
        busy_ = &entry->busy;
        matcher_ = entry->matcher.get();
    } else {
        own_ = makeMatcher(*pattern, bounded);
        matcher_ = own_.get();
    }
    if (matcher_ == nullptr) {
        failed_ = true;
        return;
    }
    matcher_->reset(text_);
}

Regex::Scanner::~Scanner() {
    if (matcher_ != nullptr) {
        matcher_->reset(emptyText());
    }
    if (busy_ != nullptr) {
        *busy_ = false;
    }
}

bool Regex::Scanner::next() {
    if (failed_) {
        return false;
    }
    UErrorCode status = U_ZERO_ERROR;
    const bool found = matcher_->find(status) != 0;
    if (U_FAILURE(status)) {
        timedOut_ = status == U_REGEX_TIME_OUT || status == U_REGEX_STACK_OVERFLOW;
        failed_ = true;
        return false;
    }
    if (!found) {
        failed_ = true;
    }
    return found;
}

int32_t Regex::Scanner::groupCount() const {
    return matcher_ != nullptr ? matcher_->groupCount() : 0;
}

std::optional<Regex::Scanner::Span> Regex::Scanner::group(int32_t n) const {
    if (matcher_ == nullptr || n < 0 || n > matcher_->groupCount()) {
        return std::nullopt;
    }
    UErrorCode status = U_ZERO_ERROR;
    const int32_t start = matcher_->start(n, status);
    const int32_t end = matcher_->end(n, status);
    if (U_FAILURE(status) || start < 0 || end < start) {
        return std::nullopt;
    }
    return Span{start, end};
}

std::optional<icu::UnicodeString> Regex::Scanner::mappedGroup(int32_t n) const {
    const auto span = group(n);
    if (!span || !isGraphemeBoundary(text_, span->start) || !isGraphemeBoundary(text_, span->end)) {
        return std::nullopt;
    }
    return icu::UnicodeString(text_, span->start, span->end - span->start);
}

icu::UnicodeString Regex::Scanner::matchText() const {
    const auto span = group(0);
    if (!span) {
        return {};
    }
    return icu::UnicodeString(text_, span->start, span->end - span->start);
}

std::optional<int32_t> Regex::Scanner::matchAt(int32_t start) {
    if (matcher_ == nullptr) {
        return std::nullopt;
    }
    UErrorCode status = U_ZERO_ERROR;
    const bool found = matcher_->lookingAt(start, status) != 0;
    if (U_FAILURE(status)) {
        timedOut_ = status == U_REGEX_TIME_OUT || status == U_REGEX_STACK_OVERFLOW;
        return std::nullopt;
    }
    if (!found) {
        return std::nullopt;
    }
    const int32_t end = matcher_->end(status);
    return U_SUCCESS(status) ? std::optional<int32_t>(end) : std::nullopt;
}

icu::UnicodeString Regex::Scanner::replaceAll(const icu::UnicodeString& replacement) {
    if (failed_) {
        return text_;
    }
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString result = matcher_->replaceAll(replacement, status);
    failed_ = true;
    if (U_FAILURE(status)) {
        timedOut_ = status == U_REGEX_TIME_OUT || status == U_REGEX_STACK_OVERFLOW;
        return text_;
    }
    return result;
}

}  // namespace nabbit
