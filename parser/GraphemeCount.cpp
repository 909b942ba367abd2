#include "parser/GraphemeCount.h"

#include <memory>

#include <unicode/brkiter.h>
#include <unicode/locid.h>

#include "parser/UnicodeText.h"

namespace nabbit {

namespace {

// Below U+0300 every code point is a cluster of its own, except CR LF, which is one cluster.
constexpr char16_t kFirstClusteringUnit = 0x0300;

bool isSimpleUnit(char16_t unit) {
    return unit < kFirstClusteringUnit;
}

// Creating a character break iterator loads and builds rule data, which is slow; it is done
// once per process and each thread works on its own clone (iterators are not thread-safe).
icu::BreakIterator* threadIterator() {
    static const std::unique_ptr<icu::BreakIterator> prototype = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> it(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status)) {
            it.reset();
        }
        return it;
    }();
    thread_local const std::unique_ptr<icu::BreakIterator> local(prototype ? prototype->clone()
                                                                           : nullptr);
    return local.get();
}

// Points the thread's iterator at a text for the lifetime of the object and detaches it
// afterwards, so that the iterator never holds a reference to a string that is gone.
class IteratorOn {
  public:
    explicit IteratorOn(const icu::UnicodeString& text) : it_(threadIterator()) {
        if (it_ != nullptr) {
            it_->setText(text);
        }
    }
    ~IteratorOn() {
        if (it_ != nullptr) {
            static const icu::UnicodeString empty;
            it_->setText(empty);
        }
    }
    IteratorOn(const IteratorOn&) = delete;
    IteratorOn& operator=(const IteratorOn&) = delete;

    icu::BreakIterator* get() const { return it_; }

  private:
    icu::BreakIterator* it_;
};

}  // namespace

std::size_t graphemeCount(std::string_view utf8) {
    return graphemeCount(fromUtf8(utf8));
}

std::size_t graphemeCount(const icu::UnicodeString& text) {
    const int32_t length = text.length();
    bool simple = true;
    std::size_t crlf = 0;
    for (int32_t i = 0; i < length && simple; ++i) {
        const char16_t unit = text.charAt(i);
        simple = isSimpleUnit(unit);
        if (unit == u'\n' && i > 0 && text.charAt(i - 1) == u'\r') {
            ++crlf;
        }
    }
    if (simple) {
        return static_cast<std::size_t>(length) - crlf;
    }
    IteratorOn on(text);
    if (on.get() == nullptr) {
        return static_cast<std::size_t>(text.countChar32());
    }
    std::size_t count = 0;
    on.get()->first();
    while (on.get()->next() != icu::BreakIterator::DONE) {
        ++count;
    }
    return count;
}

bool isGraphemeBoundary(const icu::UnicodeString& text, int32_t offset) {
    const int32_t length = text.length();
    if (offset <= 0 || offset >= length) {
        return offset == 0 || offset == length;
    }
    const char16_t before = text.charAt(offset - 1);
    const char16_t after = text.charAt(offset);
    if (isSimpleUnit(before) && isSimpleUnit(after)) {
        return !(before == u'\r' && after == u'\n');
    }
    IteratorOn on(text);
    if (on.get() == nullptr) {
        return !U16_IS_TRAIL(after);
    }
    return on.get()->isBoundary(offset) != 0;
}

}  // namespace nabbit
