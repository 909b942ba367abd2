#pragma once

#include <unicode/uniset.h>
#include <unicode/unistr.h>

namespace nabbit {

// Removes every web link (linkPattern), then every bare domain followed by a path
// (domainPathPattern) from the result, joining the text on both sides without change.
icu::UnicodeString removeLinks(const icu::UnicodeString& text);

// The second half alone: the same as replacing every match of domainPathPattern by nothing,
// in time linear in the text.
icu::UnicodeString removeDomainPaths(const icu::UnicodeString& text);

// The characters that can begin a domain label, and those that can continue one, exactly
// as the case-insensitive domain-path pattern matches them.
const icu::UnicodeSet& domainLabelStartCharacters();
const icu::UnicodeSet& domainLabelCharacters();

}  // namespace nabbit
