#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include <unicode/unistr.h>

#include "parser/MultiStringSearch.h"
#include "parser/Regex.h"

namespace nabbit {

// Codes found from the shape of a message rather than from one language's words, for
// messages in languages without a file and for shapes the files do not cover:
// - an SMS Retriever message: '<#>' or '[#]' first, an 11-character app hash on the last
//   line, and one digit group (or two joined by a dash) in between;
// - '<code> is your <service> code', for any service name ('482913 is your uber code.');
// - a code in CJK brackets 『』「」【】〔〕 next to a code word ('验证码【482913】');
// - a code after a Chinese, Japanese or Korean code word ('驗證碼：482913', '認証番号は
//   482913'), or directly before one ('482913短信登录验证码');
// - a code alone on the line after a label line ('TAN', 'One-Time Password:') or after a
//   line that ends in a code word and a colon ('Váš kód:', 'Ο κωδικός σας:');
// - 4 to 8 capitals after an explicit code phrase ('verification code is KQXZTM');
// - a code right after a code word of any language, or a few words after it that end in a
//   colon or a copula ('kód 4829', 'Ο κωδικός σας είναι 482913', 'קוד האימות: 482913').
// The text given is one whose links are removed and whose digits are ASCII. A message about
// a prize, claim, promotion, bonus or reward gets nothing from these rules.
class StructuralRules {
  public:
    struct Candidate {
        icu::UnicodeString code;
        // The sender's name as the message writes it, when the rule's shape names one.
        std::optional<icu::UnicodeString> serviceName;
        // The code as the message writes it ('482 913'), when that differs from the code.
        icu::UnicodeString written;
    };

    StructuralRules();

    // The candidates in the order of the rules above, and in text order within a rule.
    std::vector<Candidate> candidates(const icu::UnicodeString& text) const;

    // Whether a lower-cased text speaks of a prize, a claim, a promotion, a bonus or a reward
    // (in the languages Nabbit knows).
    bool isPromotional(const icu::UnicodeString& lowerText) const;

    // Whether a name holds a code word ('驗證碼', 'kód'): such a name is not the sender's.
    bool namesACode(const icu::UnicodeString& name) const;

  private:
    void retriever(const icu::UnicodeString& text, std::vector<Candidate>& out) const;
    void labelLines(const icu::UnicodeString& text, std::vector<Candidate>& out) const;
    // Group 1 of each match, cleaned, when it has a digit; with notOpening, not a match at
    // the start of the text.
    // The last rule, tried at each start of a code word in the lower-cased text.
    void afterWord(const icu::UnicodeString& lower, std::vector<int32_t> starts,
                   std::vector<Candidate>& out) const;
    void byPattern(const Regex& pattern, const icu::UnicodeString& text,
                   const icu::UnicodeString& lower, std::vector<Candidate>& out,
                   bool notOpening = false) const;

    // Stems of the code words, those of Chinese, Japanese and Korean from cjkWordsBegin_ on.
    std::size_t cjkWordsBegin_ = 0;
    MultiStringSearch codeWordSearch_;
    std::vector<std::size_t> stemLengths_;
    Regex retrieverCode_;
    Regex isYourCode_;
    Regex bracketAfterWord_;
    Regex bracketBeforeWord_;
    Regex afterCjkWord_;
    Regex beforeCjkWord_;
    Regex labelLine_;
    Regex codeLine_;
    Regex capitalsAfterWord_;
    Regex afterAnyWord_;
    Regex codeWord_;
    Regex promotion_;
};

// The rules, built once per process on first use.
const StructuralRules& structuralRules();

}  // namespace nabbit
