#include "sources/imessage/GraphemeText.h"

#include <algorithm>

#include "parser/UnicodeText.h"

namespace nabbit {

namespace {

std::unique_ptr<icu::BreakIterator> characterBreaks() {
    // Building a break iterator loads rules; one prototype per thread, cloned per text.
    thread_local std::unique_ptr<icu::BreakIterator> prototype = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> it(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        return U_SUCCESS(status) ? std::move(it) : nullptr;
    }();
    if (!prototype) {
        return nullptr;
    }
    return std::unique_ptr<icu::BreakIterator>(prototype->clone());
}

}  // namespace

GraphemeText::GraphemeText(icu::UnicodeString text) : text_(std::move(text)) {
    boundaries_.push_back(0);
    if (auto it = characterBreaks(); it && text_.length() > 0) {
        it->setText(text_);
        for (int32_t b = it->next(); b != icu::BreakIterator::DONE; b = it->next()) {
            boundaries_.push_back(b);
        }
    } else if (text_.length() > 0) {
        // Without break rules (never expected), fall back to code points.
        for (int32_t i = 0; i < text_.length();) {
            i = text_.moveIndex32(i, 1);
            boundaries_.push_back(i);
        }
    }
    if (boundaries_.back() != text_.length()) {
        boundaries_.push_back(text_.length());
    }
}

GraphemeText GraphemeText::fromUtf8(std::string_view utf8) {
    return GraphemeText(nabbit::fromUtf8(utf8));
}

std::optional<GraphemeText::Range> GraphemeText::find(const icu::UnicodeString& needle,
                                                      std::size_t from) const {
    if (from >= boundaries_.size()) {
        return std::nullopt;
    }
    const int32_t at = text_.indexOf(needle, boundaries_[from]);
    if (at < 0) {
        return std::nullopt;
    }
    const auto first = std::upper_bound(boundaries_.begin(), boundaries_.end(), at) - 1;
    const auto after = std::lower_bound(first, boundaries_.end(), at + needle.length());
    return Range{static_cast<std::size_t>(first - boundaries_.begin()),
                 static_cast<std::size_t>(after - boundaries_.begin())};
}

std::string GraphemeText::slice(std::size_t begin, std::size_t end) const {
    end = std::min(end, length());
    if (begin >= end) {
        return {};
    }
    const int32_t from = boundaries_[begin];
    const int32_t to = boundaries_[end];
    return toUtf8(text_.tempSubStringBetween(from, to));
}

}  // namespace nabbit
