#include "parser/ServiceExtraction.h"

#include <algorithm>
#include <initializer_list>
#include <unordered_set>

#include <unicode/uchar.h>

#include "parser/CharacterClasses.h"
#include "parser/FixedPatterns.h"
#include "parser/GraphemeCount.h"
#include "parser/KeywordGate.h"
#include "parser/KnownServices.h"
#include "parser/PatternPrefilter.h"
#include "parser/StopWords.h"
#include "parser/UnicodeText.h"

namespace nabbit {

namespace {

// A name found by the later ways: one to three words, two to thirty characters, two letters
// at least.
constexpr std::size_t kMaxNameWords = 3;
constexpr std::size_t kMinNameLength = 2;
constexpr std::size_t kMaxNameLength = 30;
constexpr int kMinNameLetters = 2;
constexpr int kMaxDigitsInName = 3;
// Matches of one pattern looked at before the next pattern is tried.
constexpr int kMatchesTried = 4;

// Space separators and the tab; line breaks stay.
bool isBlank(UChar32 c) {
    return c == u'\t' || u_charType(c) == U_SPACE_SEPARATOR;
}

icu::UnicodeString trimBlanks(const icu::UnicodeString& text) {
    int32_t start = 0;
    int32_t end = text.length();
    while (start < end && isBlank(text.char32At(start))) {
        start = text.moveIndex32(start, 1);
    }
    while (end > start) {
        const int32_t before = text.moveIndex32(end, -1);
        if (!isBlank(text.char32At(before))) {
            break;
        }
        end = before;
    }
    return icu::UnicodeString(text, start, end - start);
}

// The name a pattern's first match offers, when it is acceptable.
template <std::size_t N>
std::optional<std::string> firstAccepted(const std::array<Regex, N>& patterns,
                                         const std::array<bool, N>& mayMatch,
                                         const icu::UnicodeString& text,
                                         const std::set<std::string>& keywords) {
    for (std::size_t i = 0; i < N; ++i) {
        if (!mayMatch[i]) {
            continue;
        }
        auto scanner = patterns[i].scan(text);
        if (!scanner.next()) {
            continue;
        }
        const auto group = scanner.mappedGroup(1);
        if (!group) {
            continue;
        }
        const icu::UnicodeString name = trimBlanks(*group);
        const std::string check = toUtf8(lowerCased(trimBlanks(name)));
        if (graphemeCount(check) < 3 || keywords.contains(check) || stopWords().contains(check)) {
            continue;
        }
        return toUtf8(name);
    }
    return std::nullopt;
}

bool isGeneric(const std::string& word, const std::set<std::string>& keywords) {
    return genericNameWords().contains(word) || stopWords().contains(word) ||
           keywords.contains(word);
}

int letterCount(const icu::UnicodeString& text) {
    int letters = 0;
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
        letters += isLetter(text.char32At(i)) ? 1 : 0;
    }
    return letters;
}

// A word of a name without what is not a letter, mark or digit at its ends ('acme.' →
// 'acme'), and without a generic last part ('acme-code' → 'acme').
std::string wordCore(const icu::UnicodeString& word, const std::set<std::string>& keywords) {
    int32_t start = 0;
    int32_t end = word.length();
    while (start < end && !isAlphanumeric(word.char32At(start))) {
        start = word.moveIndex32(start, 1);
    }
    while (end > start && !isAlphanumeric(word.char32At(word.moveIndex32(end, -1)))) {
        end = word.moveIndex32(end, -1);
    }
    std::string core = toUtf8(icu::UnicodeString(word, start, end - start));
    for (std::size_t dash = core.rfind('-'); dash != std::string::npos && dash > 0;
         dash = core.rfind('-')) {
        if (!isGeneric(core.substr(dash + 1), keywords)) {
            break;
        }
        core.erase(dash);
    }
    return core;
}

std::vector<std::string> wordsOf(const icu::UnicodeString& text,
                                 const std::set<std::string>& keywords) {
    std::vector<std::string> words;
    for (int32_t i = 0; i < text.length();) {
        while (i < text.length() && u_isUWhiteSpace(text.char32At(i))) {
            i = text.moveIndex32(i, 1);
        }
        int32_t end = i;
        while (end < text.length() && !u_isUWhiteSpace(text.char32At(end))) {
            end = text.moveIndex32(end, 1);
        }
        if (end > i) {
            words.push_back(wordCore(icu::UnicodeString(text, i, end - i), keywords));
        }
        i = end;
    }
    return words;
}

// Small words that stand inside names ('bank of america', 'banco do brasil').
const std::unordered_set<std::string>& nameJoiners() {
    static const std::unordered_set<std::string> words{
        "of", "and", "&",   "de",  "do",  "da",  "dos", "das", "del", "di",  "du", "des",
        "la", "le",  "van", "von", "der", "den", "y",   "e",   "et",  "und", "i",  "ve"};
    return words;
}

bool hasDigit(const std::string& word) {
    return std::any_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool hasLetter(const std::string& word) {
    return containsLetter(fromUtf8(word));
}

// A compound ending in 'code' ('gutscheincode', 'inlogcode') is a kind of code, not a name.
bool endsLikeACode(const std::string& word) {
    return word.size() > 4 && word.ends_with("code");
}

// A later way's pattern, and whether a name it finds must not start with a generic word:
// after a code phrase, 'code is K7P2QX' or 'código para continuar' hold no name.
struct NamePattern {
    Regex regex;
    bool strictStart = false;
    // A quick test that a text lacks what every match needs, for a pattern whose needs the
    // prefilter cannot read; null when there is none.
    bool (*mayMatch)(const icu::UnicodeString& text) = nullptr;
};

// A sender opening the text ends in ':', '：' or a spaced dash or bar on the first line (no
// part of such a match crosses a line break).
bool firstLineHasSeparator(const icu::UnicodeString& text) {
    for (int32_t i = 0; i < text.length(); ++i) {
        switch (text[i]) {
            case u':':
            case u'\uFF1A':
            case u'-':
            case u'\u2013':
            case u'\u2014':
            case u'|':
                return true;
            case u'\n':
            case u'\v':
            case u'\f':
            case u'\r':
            case u'\u0085':
            case u'\u2028':
            case u'\u2029':
                return false;
            default:
                break;
        }
    }
    return false;
}

// A word of a name: letters, marks and digits, joined by & ' ’ + _ - and by dots within
// ('id.me'). It starts with a letter, mark or digit, written as "none of the joiners" so
// that the word's character set appears once: ICU builds every \p set afresh each time it
// appears, some 0.4 M instructions apiece, and a name pattern holds two to three words.
constexpr std::string_view kWord =
    R"((?![&'’+_\-.])(?:[\p{L}\p{M}\p{N}&'’+_\-]|\.(?=[\p{L}\p{N}]))+)";
// Names right after a code phrase start with a capital or a letter of a script without case
// ('votre code Acme est', not 'votre code a été demandé').
constexpr std::string_view kCapital = R"((?=[\p{Lu}\p{Lt}\p{Lo}]))";
// What may follow such a name: punctuation, a line end, the code itself, or 'is' and its
// equivalents.
constexpr std::string_view kNameEnd =
    R"((?=\h*(?:[:：=.,;!?)\]】|\-–—]|\n|$)|\h+(?:\d|(?i:is|was|est|sera|es|será|é|ist|)"
    R"(lautet|è|to|jest|là|adalah|ialah|dir|dır|это|هو)(?![\p{L}\p{N}]))))";

// One to three words, as group 1.
std::string nameGroup() {
    const std::string word(kWord);
    return "(" + word + R"((?:\h+)" + word + "){0,2})";
}

// The later ways' patterns are many and costly to compile (their word sets span all of
// Unicode); a text compiles only those its words can match.
Regex deferred(const std::string& pattern) {
    return Regex::deferred(pattern, {});
}

Regex joined(std::initializer_list<std::string_view> parts) {
    std::string pattern;
    for (const auto part : parts) {
        pattern += part == "NAME" ? nameGroup() : std::string(part);
    }
    return deferred(pattern);
}

NamePattern lenient(Regex regex) {
    return NamePattern{std::move(regex), false};
}

// Past a code phrase, a strict pattern's name starts with a capital or a letter of a script
// without case (kCapital), so the text holds one after its first character.
bool hasCapitalPastStart(const icu::UnicodeString& text) {
    for (int32_t i = text.moveIndex32(0, 1); i < text.length(); i = text.moveIndex32(i, 1)) {
        const int8_t type = u_charType(text.char32At(i));
        if (type == U_UPPERCASE_LETTER || type == U_TITLECASE_LETTER || type == U_OTHER_LETTER) {
            return true;
        }
    }
    return false;
}

NamePattern strict(Regex regex) {
    return NamePattern{std::move(regex), true, hasCapitalPastStart};
}

const std::vector<NamePattern>& namePatterns() {
    static const std::vector<NamePattern> patterns{
        // A sender opening the text: 'Acme Bank: …', 'Acme - …', '<#> Acme: …'.
        NamePattern{joined({R"(^(?:<#>\h*)?)", "NAME", R"(\h*(?::(?!//)|：|\h[\-–—|]\h))"}), false,
                    firstLineHasSeparator},
        // English: 'your Acme code', 'code for Acme:', 'sign in to Acme.'
        lenient(
            joined({R"((?i:\byour\h+))", "NAME",
                    R"((?i:\h+(?:(?:verification|security|login|log-in|sign-in|sign\h+in|one-time|)"
                    R"(one\h+time|access|confirmation|authentication|authorization|2fa|activation|)"
                    R"(reset|recovery)\h+)?(?:code|pin|otp|passcode|password)s?\b))"})),
        strict(joined({R"((?i:\b(?:code|pin|otp|passcode|password)\h+(?:for|from)\h+(?:your\h+)?))",
                       kCapital, "NAME", kNameEnd})),
        strict(joined({R"((?i:\b(?:sign|log)\h*in(?:to)?\h+(?:to\h+)?(?:your\h+)?))", kCapital,
                       "NAME", kNameEnd})),
        // French: 'votre code Acme est', 'code de vérification Acme :'.
        strict(
            joined({R"((?i:\bcode(?:\h+(?:de|d['’])\h*(?:v[ée]rification|confirmation|)"
                    R"(s[ée]curit[ée]|connexion|validation|activation|acc[èe]s|authentification))?)"
                    R"(\h+(?:de\h+|d['’]\h*|chez\h+)?))",
                    kCapital, "NAME", kNameEnd})),
        // Spanish: 'tu código de Acme es'; Portuguese: 'seu código do Acme é'.
        strict(joined({R"((?i:\bc[oó]digo(?:\h+de\h+(?:verificaci[oó]n|seguridad|acceso|)"
                       R"(confirmaci[oó]n|activaci[oó]n|inicio\h+de\h+sesi[oó]n|verifica[cç][aã]o|)"
                       R"(seguran[cç]a|acesso|confirma[cç][aã]o|ativa[cç][aã]o))?)"
                       R"(\h+(?:de\h+|del\h+|do\h+|da\h+|en\h+|no\h+|na\h+)?))",
                       kCapital, "NAME", kNameEnd})),
        // German: 'dein Acme-Code', 'Code für Acme:'.
        lenient(joined({R"((?i:\b(?:dein|deine|ihr|ihre)\h+))", "NAME",
                        R"((?i:[\h\-]+(?:code|bestätigungscode|sicherheitscode|anmeldecode|)"
                        R"(verifizierungscode|login-code|tan)\b))"})),
        strict(joined(
            {R"((?i:\b(?:code|tan|bestätigungscode|sicherheitscode|anmeldecode|)"
             R"(verifizierungscode)\h+(?:für|von|bei)\h+(?:dein\h+|deine\h+|ihr\h+|ihre\h+)?))",
             kCapital, "NAME", kNameEnd})),
        // Italian: 'il tuo codice Acme è', 'codice di verifica di Acme:'.
        strict(joined({R"((?i:\bcodice(?:\h+(?:di\h+)?(?:verifica|sicurezza|accesso|conferma|)"
                       R"(attivazione|autorizzazione|otp))?\h+(?:di\h+|del\h+|della\h+|su\h+)?))",
                       kCapital, "NAME", kNameEnd})),
        // Dutch: 'je Acme-code', 'verificatiecode voor Acme:'.
        lenient(joined({R"((?i:\b(?:je|jouw|uw)\h+))", "NAME",
                        R"((?i:[\h\-]+(?:code|verificatiecode|inlogcode|beveiligingscode|)"
                        R"(bevestigingscode)\b))"})),
        strict(
            joined({R"((?i:\b(?:code|verificatiecode|inlogcode|beveiligingscode|bevestigingscode))"
                    R"(\h+(?:voor|van|bij)\h+(?:je\h+|jouw\h+|uw\h+)?))",
                    kCapital, "NAME", kNameEnd})),
        // Polish: 'kod weryfikacyjny do Acme:'.
        strict(joined({R"((?i:\bkod(?:\h+(?:weryfikacyjny|potwierdzaj[aą]cy|jednorazowy|sms|)"
                       R"(dost[eę]pu|autoryzacyjny|logowania|bezpiecze[nń]stwa))?)"
                       R"(\h+(?:do\h+|dla\h+|z\h+|od\h+|w\h+)?))",
                       kCapital, "NAME", kNameEnd})),
        // Russian, Ukrainian: 'код для входа в Acme:', 'код підтвердження Acme:'.
        strict(joined({R"((?i:\bкод(?:\h+(?:подтверждения|підтвердження|для\h+входа\h+в|доступа|)"
                       R"(верификации|авторизации|активации))?\h+(?:для\h+|в\h+|от\h+|на\h+)?))",
                       kCapital, "NAME", kNameEnd})),
        // Turkish: 'Acme doğrulama kodunuz'.
        lenient(
            joined({R"((?:^|[\n.!:]\h*))", "NAME",
                    R"((?i:\h+(?:için\h+)?(?:(?:doğrulama|onay|giriş|güvenlik|tek\h+kullanımlık|)"
                    R"(tek\h+seferlik)\h+)?(?:kodunuz|kodu|şifreniz|şifresi)\b))"})),
        // Japanese: 'Acmeの確認コード'.
        lenient(deferred(
            R"((?:^|[\s。、！!】\]」:：])([\p{Katakana}\p{Han}\p{Latin}\p{N}ー・&.\-]{2,20}?))"
            R"(\h*(?:の|から)\h*(?:ログイン|確認|認証|ワンタイム|セキュリティ|本人確認)?)"
            R"((?:用)?(?:コード|パスワード|番号))")),
        // Korean: 'Acme 인증번호'.
        lenient(deferred(
            R"((?:^|[\s\]】:])([\p{Hangul}\p{Latin}\p{N}&.\-]{2,20}?)\h*)"
            R"((?:에서\h*)?(?:본인\h*)?(?:인증\h*번호|인증\h*코드|확인\h*코드|보안\h*코드))")),
        // Chinese: '您的Acme验证码'.
        lenient(deferred(R"((?:您的|你的)([\p{Han}\p{Latin}\p{N}]{2,12}?)(?:账号|账户|帐号|帐户)?)"
                         R"((?:验证码|动态码|校验码|动态密码))")),
        // Vietnamese: 'mã xác thực Acme:'.
        strict(joined({R"((?i:\bmã(?:\h+(?:xác\h+(?:thực|nhận|minh)|otp|kích\h+hoạt|đăng\h+nhập|)"
                       R"(bảo\h+mật|giao\h+dịch))?\h+(?:của\h+bạn\h+)?(?:tại\h+|trên\h+|từ\h+)?))",
                       kCapital, "NAME", kNameEnd})),
        // Indonesian: 'kode verifikasi Acme:'.
        strict(joined({R"((?i:\bkode(?:\h+(?:verifikasi|otp|rahasia|keamanan|aktivasi|masuk|login|)"
                       R"(konfirmasi))?\h+(?:dari\h+|akun\h+)?))",
                       kCapital, "NAME", kNameEnd})),
        // Arabic: 'رمز التحقق الخاص بك في Acme:'.
        strict(joined({R"((?:رمز|كود)(?:\h+(?:التحقق|التفعيل|الدخول|التأكيد))?)"
                       R"((?:\h+الخاص\h+بك)?\h+(?:في|لـ|من|على)\h*)",
                       kCapital, "NAME", kNameEnd})),
        // Sender tags: at the start of any line, or 【…】 at either end of the text.
        lenient(deferred(R"((?m)^\h*(?:<#>\h*)?\[([^\]\n]{2,30})\])")),
        lenient(deferred(R"(^\h*【([^】\n]{2,30})】)")),
        lenient(deferred(R"(【([^】\n]{2,30})】\h*$)")),
    };
    return patterns;
}

// A static prefilter over the patterns, so a text passes over those whose words it lacks
// without running them.
const PatternPrefilter& namePatternFilter() {
    static const PatternPrefilter filter = [] {
        std::vector<const Regex*> regexes;
        for (const auto& pattern : namePatterns()) {
            regexes.push_back(&pattern.regex);
        }
        return PatternPrefilter(regexes);
    }();
    return filter;
}

// Default lower-casing turns a Turkish capital 'İ' into 'i' and a combining dot above; names
// are looked for and reported without that dot ('İş Bankası' → 'iş bankası').
icu::UnicodeString withoutDotAboveI(const icu::UnicodeString& lower) {
    icu::UnicodeString out(lower);
    return out.findAndReplace(icu::UnicodeString(u"i\u0307"), icu::UnicodeString(u"i"));
}

std::optional<std::string> accepted(const icu::UnicodeString& found,
                                    const std::set<std::string>& keywords,
                                    const KeywordGate* keywordSearch, bool strictStart) {
    const std::vector<std::string> words = wordsOf(withoutDotAboveI(lowerCased(found)), keywords);
    if (words.empty() || greetingWords().contains(words.front()) ||
        (strictStart && (isGeneric(words.front(), keywords) || hasDigit(words.front())))) {
        return std::nullopt;
    }
    std::size_t first = 0;
    std::size_t last = words.size();
    const auto droppable = [&](const std::string& word) {
        return word.empty() || isGeneric(word, keywords) || !hasLetter(word);
    };
    while (first < last && droppable(words[first])) {
        ++first;
    }
    while (last > first && droppable(words[last - 1])) {
        --last;
    }
    if (first == last || last - first > kMaxNameWords) {
        return std::nullopt;
    }
    const auto containsKeyword = [&](const std::string& phrase) {
        return keywordSearch != nullptr
                   ? keywordSearch->matches(fromUtf8(phrase))
                   : std::any_of(keywords.begin(), keywords.end(), [&](const std::string& keyword) {
                         return phrase.find(keyword) != std::string::npos;
                     });
    };
    const auto joinedWords = [&](std::size_t from, std::size_t to) {
        std::string phrase;
        for (std::size_t w = from; w < to; ++w) {
            phrase += (w > from ? " " : "") + words[w];
        }
        return phrase;
    };
    // A keyword that runs from the dropped words into the name, or from the name into them
    // ('код подтверждения' read as 'код' + 'подтверждения'), makes the name part of that
    // phrase, not a service.
    if ((first > 0 && containsKeyword(joinedWords(0, last)) &&
         !containsKeyword(joinedWords(0, first))) ||
        (last < words.size() && containsKeyword(joinedWords(first, words.size())) &&
         !containsKeyword(joinedWords(last, words.size())))) {
        return std::nullopt;
    }
    std::string name;
    for (std::size_t w = first; w < last; ++w) {
        if ((droppable(words[w]) && !nameJoiners().contains(words[w])) || endsLikeACode(words[w])) {
            return std::nullopt;
        }
        name += (w > first ? " " : "") + words[w];
    }
    // A run of four digits is a code or a number, never part of a name.
    if (std::search_n(name.begin(), name.end(), kMaxDigitsInName + 1, 0,
                      [](char c, int) { return c >= '0' && c <= '9'; }) != name.end()) {
        return std::nullopt;
    }
    const icu::UnicodeString utf16 = fromUtf8(name);
    const std::size_t length = graphemeCount(utf16);
    if (length < kMinNameLength || length > kMaxNameLength ||
        letterCount(utf16) < kMinNameLetters || genericNameWords().contains(name)) {
        return std::nullopt;
    }
    if (containsKeyword(name)) {
        return std::nullopt;
    }
    return name;
}

std::optional<std::string> laterName(const icu::UnicodeString& text,
                                     const std::set<std::string>& keywords,
                                     const KeywordGate* keywordSearch) {
    const auto& patterns = namePatterns();
    PatternPrefilter::Lazy filter(namePatternFilter(), text);
    // The twelve strict patterns share one quick test: it reads the text once, not per pattern.
    std::vector<std::pair<bool (*)(const icu::UnicodeString&), bool>> quickTests;
    const auto passes = [&](bool (*test)(const icu::UnicodeString&)) {
        for (const auto& [known, result] : quickTests) {
            if (known == test) {
                return result;
            }
        }
        const bool result = test(text);
        quickTests.emplace_back(test, result);
        return result;
    };
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        if (!filter.mayMatch(i) || (patterns[i].mayMatch && !passes(patterns[i].mayMatch))) {
            continue;
        }
        auto scanner = patterns[i].regex.scan(text);
        for (int n = 0; n < kMatchesTried && scanner.next(); ++n) {
            if (const auto group = scanner.mappedGroup(1)) {
                if (auto name =
                        accepted(*group, keywords, keywordSearch, patterns[i].strictStart)) {
                    return name;
                }
            }
        }
    }
    return std::nullopt;
}

}  // namespace

const std::array<Regex, 3>& servicePrefixPatterns() {
    static const std::array<Regex, 3> patterns{
        deferred(R"(^\[([^\]\d]{3,})\])"),
        deferred(R"(^\(([^)\d]{3,})\))"),
        deferred(R"(^welcome\s+to\s+([\w\d ]{4,}?)[\s,;.])"),
    };
    return patterns;
}

const std::array<Regex, 2>& serviceContextPatterns() {
    static const std::array<Regex, 2> patterns{
        deferred(R"(from\s+([a-z0-9 ]+?)(?:\s|$))"),
        deferred(R"((?:verification|code|otp|pin)\s+(?:for|from)\s+([a-z0-9 ]+?)(?:\s|$))"),
    };
    return patterns;
}

std::vector<Regex> serviceNamePatterns() {
    std::vector<Regex> regexes;
    for (const auto& pattern : namePatterns()) {
        regexes.push_back(pattern.regex);
    }
    return regexes;
}

std::optional<std::string> acceptedServiceName(const icu::UnicodeString& name,
                                               const std::set<std::string>& keywords) {
    return accepted(name, keywords, nullptr, false);
}

std::optional<std::string> extractServiceUtf16(const icu::UnicodeString& text,
                                               const icu::UnicodeString& lowerText,
                                               const std::set<std::string>& keywords,
                                               const NameTable* listedServices,
                                               const KeywordGate* keywordSearch) {
    // The tables search UTF-16 text: the parser's own strings need no conversion.
    const auto view = [](const icu::UnicodeString& text) {
        return std::u16string_view(text.getBuffer(), static_cast<std::size_t>(text.length()));
    };
    if (const auto known = firstKnownService(view(lowerText))) {
        return std::string(*known);
    }
    if (listedServices != nullptr && !listedServices->names().empty()) {
        const icu::UnicodeString dotless = withoutDotAboveI(lowerText);
        if (const auto listed = listedServices->firstWholeWord(view(dotless))) {
            return std::string(*listed);
        }
    }
    // What each pattern cannot match without (they are case-sensitive, the text lower-case):
    // most texts offer none of it, and looking costs far less than a search.
    const auto has = [&](const char16_t* literal) {
        return lowerText.indexOf(icu::UnicodeString(literal)) >= 0;
    };
    const char16_t first = lowerText.isEmpty() ? u'\0' : lowerText[0];
    const bool from = has(u"from");
    if (auto name = firstAccepted(servicePrefixPatterns(),
                                  {first == u'[', first == u'(',
                                   lowerText.startsWith(icu::UnicodeString(u"welcome")) != 0},
                                  lowerText, keywords)) {
        return name;
    }
    if (auto name = firstAccepted(serviceContextPatterns(), {from, from || has(u"for")}, lowerText,
                                  keywords)) {
        return name;
    }
    return laterName(text, keywords, keywordSearch);
}

std::optional<std::string> extractService(std::string_view textUtf8,
                                          const std::set<std::string>& keywords,
                                          const NameTable* listedServices) {
    const icu::UnicodeString text = fromUtf8(textUtf8);
    return extractServiceUtf16(text, lowerCased(text), keywords, listedServices);
}

}  // namespace nabbit
