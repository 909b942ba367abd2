#pragma once

#include <array>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <unicode/unistr.h>

#include "parser/KeywordGate.h"
#include "parser/KnownServices.h"
#include "parser/Regex.h"

namespace nabbit {

// A name in square brackets or parentheses opening the text, or the name after 'welcome to'.
const std::array<Regex, 3>& servicePrefixPatterns();
// The first word after 'from', or after 'verification/code/otp/pin for/from'.
const std::array<Regex, 2>& serviceContextPatterns();
// The later ways of naming the sender, tried in order on the text as received: a name that
// opens the text ('Acme Bank: …', 'Acme - …'), a name next to a code phrase in each language
// ('your Acme code', 'code for Acme:', 'votre code Acme est', 'Acme doğrulama kodunuz',
// 'Acmeの確認コード'), and a sender tag at the start of a line or at either end ('[Acme]',
// '【Acme】').
std::vector<Regex> serviceNamePatterns();

// The service that sent a message, always lower-case:
// 1. the first name of the built-in table standing in the lower-cased text as a whole word;
// 2. the first name of the language files' "services" lists standing in it as a whole word;
// 3. a name found in it by the prefix patterns, then by the context patterns: refused when
//    it has fewer than three characters, is one of the parser's keywords or a stop word;
// 4. a name found in the text as received by serviceNamePatterns(), lower-cased: stripped
//    of generic words at both ends and refused when nothing is left, when it starts with a
//    greeting, holds a keyword, has more than three words, fewer than two or more than
//    thirty characters, or fewer than two letters. After a code phrase a name must not
//    start with a generic word at all.
std::optional<std::string> extractService(std::string_view textUtf8,
                                          const std::set<std::string>& keywords,
                                          const NameTable* listedServices = nullptr);
// The same on the UTF-16 text and its lower-cased form that the parser already holds, with
// its keyword gate to find a keyword inside a name.
std::optional<std::string> extractServiceUtf16(const icu::UnicodeString& text,
                                               const icu::UnicodeString& lowerText,
                                               const std::set<std::string>& keywords,
                                               const NameTable* listedServices = nullptr,
                                               const KeywordGate* keywordSearch = nullptr);

// A name as the later ways accept it (see extractService), lower-cased, or nothing.
std::optional<std::string> acceptedServiceName(const icu::UnicodeString& name,
                                               const std::set<std::string>& keywords);

}  // namespace nabbit
