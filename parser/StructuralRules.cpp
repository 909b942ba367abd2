#include "parser/StructuralRules.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>

#include <unicode/uchar.h>

#include "parser/CharacterClasses.h"
#include "parser/KnownServices.h"
#include "parser/UnicodeText.h"

namespace nabbit {

namespace {

constexpr int32_t kAppHashLength = 11;
// How far before a code word a qualifier ('promo', 'zip', 'order') still makes it another
// kind of code, in UTF-16 units.
constexpr int32_t kQualifierReach = 20;
constexpr int32_t kMinCapitals = 4;
constexpr char16_t kOpeningBrackets[] = {u'『', u'「', u'【', u'〔'};

// Words that name a code in many languages, case-insensitive. Stems stand inside compounds
// ('verificatiecode', 'engångskod', 'vahvistuskoodi', 'הקוד').
constexpr std::string_view kCodeWords =
    R"((?:code|codes|c[oó]digo|codice|codi|codul|cod|kod|kode|koden|koodi|kód|kodu|kodunuz|)"
    R"(passcode|password|passwort|otp|m?tan|pin|token|clave|senha|heslo|jelszó|parola|)"
    R"(salasana|lösenord|passord|κωδικός|κωδικό|κωδικού|κωδικοί|код|кода|коду|пароль|קוד|סיסמ[הא]|)"
    R"(رمز|کد|كود|कोड|ओटीपी|পিন|কোড|ওটিপি|รหัส|โค้ด|mã))";

// The same words in Chinese, Japanese and Korean, Simplified and Traditional.
constexpr std::string_view kCjkCodeWords =
    R"((?:验证码|驗證碼|认证码|認證碼|校验码|校驗碼|动态码|動態碼|动态密码|動態密碼|确认码|)"
    R"(確認碼|安全码|安全碼|授权码|授權碼|识别码|識別碼|密码|密碼|認証コード|確認コード|)"
    R"(認証番号|確認番号|暗証番号|ワンタイムパスワード|パスワード|認証キー|)"
    R"(セキュリティコード|인증\h?번호|인증\h?코드|확인\h?코드|보안\h?코드|비밀번호))";

// A code of digits: 4 to 10, or two groups joined by a space or a dash. Not part of a
// number, a decimal, a time or a date, and not followed by a unit or a currency.
constexpr std::string_view kCodeStart =
    R"((?<![\p{N}\p{Latin}$€£¥₹₩₺₽#*+]|\p{N}[.,:/\-]))";
constexpr std::string_view kDigitCode = R"((\d{4,10}|\d{3,4}[\h\-]\d{3,4}))";
constexpr std::string_view kCodeEnd =
    R"((?![\p{N}\p{Latin}]|[.,:/\-]\p{N}|\h?(?:%|[年月日号號時时分秒点點元円년월일시분원₫€$£¥₹])))";

// What may stand between a code word and its code on one line: nothing, or a few words that
// end in a colon or a copula ('Ο κωδικός σας είναι', 'קוד האימות שלך הוא:'), not words that
// make it another code ('Kode garasi 7788', 'Mã giao dịch 8812345602').
constexpr std::string_view kToCode =
    R"((?:\h*[:：=]?\h*|[^\d\n.!?。！？:：=]{1,24}?(?:[:：=]|(?<!\p{L})(?i:is|est|es|é|è|ist|)"
    R"(lautet|jest|je|är|er|on|ay|adalah|ialah|la|là|este|és|είναι|это|є|הוא|היא|هو|هي|است|है)|คือ)"
    R"(\h*[:：]?)\h*))";

std::string joined(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (const auto part : parts) {
        out += part;
    }
    return out;
}

Regex deferred(const std::string& pattern) {
    return Regex::deferred(pattern, {});
}

// Words near a code word that make it another kind of code or number: promotions, postal
// codes, references, contacts, amounts and cards. Lower-case.
const std::vector<icu::UnicodeString>& qualifiers() {
    static const std::vector<icu::UnicodeString> words = [] {
        std::vector<icu::UnicodeString> out;
        for (const char* word :
             {"zip",      "post",      "pocztow",  "promo",   "coupon",    "cupón",   "cupom",
              "discount", "descuento", "desconto", "rabatt",  "gutschein", "gift",    "voucher",
              "referral", "invit",     "bar",      "qr ",     "area",      "country", "dial",
              "sort",     "swift",     "iban",     "product", "track",     "order",   "commande",
              "pedido",   "bestell",   "zamówien", "заказ",   "booking",   "reserv",  "réserv",
              "referen",  "référen",   "customer", "client",  "klant",     "kunden",  "member",
              "membre",   "socio",     "account",  "konto",   "compte",    "cuenta",  "conta",
              "door",     "porte",     "puerta",   "gate",    "parking",   "wifi",    "wi-fi",
              "fiscal",   "tax",       "ticket",   "flight",  "call",      "telefon", "tel:",
              "hotline",  "helpline",  "contact",  "tel.",    "amount",    "montant", "importe",
              "betrag",   "balance",   "solde",    "saldo",   "card",      "carte",   "tarjeta",
              "karte",    "cartão",    "ending",   "штрих",   "промо",     "телефон", "电话",
              "電話",     "客服",      "热线",     "熱線",    "订单",      "訂單",    "金额",
              "金額",     "尾号",      "尾號",     "余额",    "餘額",      "号码",    "號碼",
              "兑换",     "兌換",      "优惠",     "優惠",    "garage",    "garasi",  "гараж",
              "車庫",     "车库",      "차고",     "ドア",    "門禁",      "门禁",    "大门",
              "大門",     "현관",      "도어",     "주차",    "駐車",      "停车",    "停車",
              "locker",   "快递柜",    "取件",     "寄存",    "gym"}) {
            out.push_back(fromUtf8(word));
        }
        return out;
    }();
    return words;
}

// Whether the lower-cased text between two offsets (and a little before) holds a qualifier.
bool qualified(const icu::UnicodeString& lower, int32_t from, int32_t to) {
    const int32_t start = std::max(0, from - kQualifierReach);
    int32_t lineStart = lower.lastIndexOf(u'\n', 0, from);
    lineStart = lineStart < 0 ? 0 : lineStart + 1;
    const icu::UnicodeString window(lower, std::max(start, lineStart),
                                    to - std::max(start, lineStart));
    return std::any_of(qualifiers().begin(), qualifiers().end(),
                       [&](const icu::UnicodeString& word) { return window.indexOf(word) >= 0; });
}

// The text with the name at the span blanked out when it is a service of the table, whose
// name may hold a qualifier ('door' in 'doordash') without being one.
icu::UnicodeString withoutKnownName(const icu::UnicodeString& lower, Regex::Scanner::Span name) {
    const icu::UnicodeString word(lower, name.start, name.end - name.start);
    const std::u16string_view view(word.getBuffer(), static_cast<std::size_t>(word.length()));
    const auto known = firstKnownService(view);
    if (!known || fromUtf8(*known) != word) {
        return lower;
    }
    icu::UnicodeString out(lower);
    out.replace(name.start, word.length(), icu::UnicodeString(word.length(), u' ', word.length()));
    return out;
}

// Capital words that follow a code word without being a code.
bool isCommonCapitalWord(const icu::UnicodeString& word) {
    static const std::vector<icu::UnicodeString> words = [] {
        std::vector<icu::UnicodeString> out;
        for (const char* w :
             {"CODE",    "CODES",   "HERE",   "BELOW",  "ABOVE",    "SENT",    "VALID", "EXPIRED",
              "INVALID", "EXPIRES", "STOP",   "HELP",   "INFO",     "FREE",    "SAVE",  "YOUR",
              "THIS",    "THAT",    "WITH",   "FROM",   "WILL",     "ONLY",    "JUST",  "DONE",
              "TEXT",    "READY",   "USED",   "NEEDED", "REQUIRED", "NONE",    "ENTER", "PLEASE",
              "NEVER",   "SHARE",   "AGAIN",  "LATER",  "SOON",     "TODAY",   "ABOUT", "WRONG",
              "EMPTY",   "ACTIVE",  "LOCKED", "RESET",  "CHANGED",  "UPDATED", "OTP",   "PIN",
              "TAN",     "SMS",     "EMAIL"}) {
            out.push_back(fromUtf8(w));
        }
        return out;
    }();
    return std::find(words.begin(), words.end(), word) != words.end();
}

bool isAppHash(const icu::UnicodeString& line) {
    if (line.length() != kAppHashLength) {
        return false;
    }
    int upper = 0;
    int lower = 0;
    bool marked = false;
    for (int32_t i = 0; i < line.length(); ++i) {
        const char16_t c = line[i];
        if (c >= u'A' && c <= u'Z') {
            ++upper;
        } else if (c >= u'a' && c <= u'z') {
            ++lower;
        } else if ((c >= u'0' && c <= u'9') || c == u'+' || c == u'/') {
            marked = true;
        } else {
            return false;
        }
    }
    // Random characters, not an eleven-letter word.
    return marked || (upper >= 2 && lower >= 2);
}

icu::UnicodeString trimmed(const icu::UnicodeString& text) {
    icu::UnicodeString copy(text);
    return copy.trim();
}

std::vector<icu::UnicodeString> linesOf(const icu::UnicodeString& text) {
    std::vector<icu::UnicodeString> lines;
    int32_t start = 0;
    while (start <= text.length()) {
        int32_t end = text.indexOf(u'\n', start);
        if (end < 0) {
            end = text.length();
        }
        lines.emplace_back(text, start, end - start);
        start = end + 1;
    }
    return lines;
}

bool hasDigit(const icu::UnicodeString& code) {
    for (int32_t i = 0; i < code.length(); ++i) {
        if (code[i] >= u'0' && code[i] <= u'9') {
            return true;
        }
    }
    return false;
}

// Whether the text holds kMinCapitals ASCII capitals in a row, as a letter code does.
bool hasCapitalRun(const icu::UnicodeString& text) {
    int32_t run = 0;
    for (int32_t i = 0; i < text.length(); ++i) {
        run = text[i] >= u'A' && text[i] <= u'Z' ? run + 1 : 0;
        if (run == kMinCapitals) {
            return true;
        }
    }
    return false;
}

bool allCapitals(const icu::UnicodeString& code) {
    for (int32_t i = 0; i < code.length(); ++i) {
        if (code[i] < u'A' || code[i] > u'Z') {
            return false;
        }
    }
    return code.length() >= kMinCapitals;
}

}  // namespace

// Lower-case stems that every code word of the rules holds: the words of kCodeWords first,
// then those of kCjkCodeWords.
const std::vector<std::u16string>& codeWordStems(std::size_t& cjkBegin) {
    static const std::vector<const char*> latin{
        "code",     "codi",     "cod",    "kod",      "koodi",    "kód",     "código", "passcode",
        "password", "passwort", "otp",    "tan",      "pin",      "token",   "clave",  "senha",
        "heslo",    "jelszó",   "parola", "salasana", "lösenord", "passord", "κωδικ",  "код",
        "пароль",   "קוד",      "סיסמ",   "رمز",      "کد",       "كود",     "कोड",    "ओटीपी",
        "পিন",      "কোড",      "ওটিপি",  "รหัส",      "โค้ด",      "mã"};
    static const std::vector<const char*> cjk{
        "验证码",     "驗證碼",     "认证码",   "認證碼",
        "校验码",     "校驗碼",     "动态码",   "動態碼",
        "动态密码",   "動態密碼",   "确认码",   "確認碼",
        "安全码",     "安全碼",     "授权码",   "授權碼",
        "识别码",     "識別碼",     "密码",     "密碼",
        "認証コード", "確認コード", "認証番号", "確認番号",
        "暗証番号",   "パスワード", "認証キー", "セキュリティコード",
        "인증",       "확인",       "보안",     "비밀번호"};
    static const std::vector<std::u16string> stems = [] {
        std::vector<std::u16string> out;
        for (const auto* list : {&latin, &cjk}) {
            for (const char* word : *list) {
                const icu::UnicodeString utf16 = fromUtf8(word);
                out.emplace_back(utf16.getBuffer(), static_cast<std::size_t>(utf16.length()));
            }
        }
        return out;
    }();
    cjkBegin = latin.size();
    return stems;
}

StructuralRules::StructuralRules()
    : codeWordSearch_(codeWordStems(cjkWordsBegin_)),
      stemLengths_([] {
          std::size_t unused = 0;
          std::vector<std::size_t> lengths;
          for (const auto& stem : codeWordStems(unused)) {
              lengths.push_back(stem.size());
          }
          return lengths;
      }()),
      retrieverCode_(
          deferred(R"((?<![\p{N}\p{L}])(\d{4,10}|\d{2,5}-\d{2,5})(?![\p{N}\p{L}]|[.,]\p{N}))")),
      isYourCode_(deferred(joined(
          {kCodeStart, kDigitCode, R"(\h+(?i:is\h+your)\h+)",
           R"(([\p{L}\p{N}][\p{L}\p{N}.&'’\-]*(?:\h+[\p{L}\p{N}][\p{L}\p{N}.&'’\-]*){0,2}?)\h+)",
           R"((?i:(?:verification|login|security|sign-in|sign\h+in|one-time|access|)",
           R"(confirmation|authentication|2fa)\h+)?(?i:code|pin|otp|passcode)(?!\p{L}))"}))),
      bracketAfterWord_(
          deferred(joined({"(?:(?i:", kCodeWords, ")|", kCjkCodeWords,
                           R"()[^\n\d]{0,8}?[『「【〔]\h*([A-Za-z0-9]{4,8})\h*[』」】〕])"}))),
      bracketBeforeWord_(deferred(
          joined({R"([『「【〔]\h*([A-Za-z0-9]{4,8})\h*)", R"([』」】〕][^\n\d]{0,8}?(?:(?i:)",
                  kCodeWords, ")|", kCjkCodeWords, ")"}))),
      afterCjkWord_(deferred(joined(
          {kCjkCodeWords, R"([^\d\n。！？!?.]{0,10}?)", kCodeStart, R"((\d{4,8}))", kCodeEnd}))),
      beforeCjkWord_(deferred(
          joined({R"((?<![\p{N}\p{Latin}号號码碼]))", R"((\d{4,8}))", R"((?!\p{N})[\h：:，,]{0,2})",
                  R"((?:[是为為は]\h*)?[\p{Han}\p{Hiragana}\p{Katakana}\p{Hangul}]{0,6}?)",
                  kCjkCodeWords}))),
      labelLine_(deferred(
          joined({R"(^\h*(?:(?i:(?:one[\h\-]time[\h\-])?(?:password|passcode|pin|code)|m?tan|otp|)",
                  R"(verification\h+code|security\h+code)|)", kCjkCodeWords, R"()\h*[:：]?\h*$|)",
                  "(?i:", kCodeWords, R"()[^\n]{0,40}[:：]\h*$)"}))),
      codeLine_(deferred(R"(^\h*([A-Za-z0-9]{4,10}|\d{3,4}[\h\-]\d{3,4})\h*[.。]?\h*$)")),
      capitalsAfterWord_(deferred(joined(
          {R"((?:(?<!\p{L}))",
           R"((?i:(?:(?:verification|security|confirmation|login|sign-in|one-time|access|)"
           R"(authentication|authorization)\h+code|passcode|otp|one-time\h+password|)"
           R"(verifieringskod|engångskod|bekræftelseskode|engangskode|verifiseringskode|)"
           R"(vahvistuskoodi|kertakäyttökoodi|ověřovací\h+kód|jednorázový\h+kód|)"
           R"(cod(?:ul)?\h+de\h+verificare|codi\h+de\h+verificació|kod\h+pengesahan|)"
           R"(κωδικός\h+επαλήθευσης|קוד\h+אימות|کد\h+تایید|सत्यापन\h+कोड)))",
           R"((?:\h+(?i:is|är|er|on|je|este|és|ialah|είναι|הוא|است|है))?|)",
           // Chinese, Japanese and Korean words that name a one-time code, written
           // without spaces around them.
           R"((?:验证码|驗證碼|认证码|認證碼|校验码|校驗碼|动态码|動態碼|确认码|確認碼|)",
           R"(安全码|安全碼|認証コード|確認コード|認証キー|ワンタイムパスワード|)",
           R"(セキュリティコード|인증\h?번호|인증\h?코드|확인\h?코드|보안\h?코드)(?:[为為是は])?))",
           R"(\h*[:：=]?\h*([A-Z]{4,8})(?![\p{L}\p{N}]))"}))),
      afterAnyWord_(
          deferred(joined({"(?i:", kCodeWords, ")", kToCode, kCodeStart, kDigitCode, kCodeEnd}))),
      codeWord_(deferred(joined({"(?i:", kCodeWords, ")|", kCjkCodeWords}))),
      promotion_(deferred(
          R"((?<!\p{L})(?:prizes?|claim\p{L}*|promo\p{L}*|bonus\p{L}*|rewards?|winners?|)"
          R"(won|you\h+win|jackpot|lottery|lucky|coupons?|vouchers?|cashback|discount\p{L}*|)"
          R"(giveaway|sweepstakes?|congratulations|congrats|gift|points|gewinn\p{L}*|gewonnen|)"
          R"(prämie|gutschein\p{L}*|rabatt|gagn\p{L}*|cadeau|concours|tirage|premios?|ganador|)"
          R"(ganaste|sorteo|cup[oó]n|descuento|prêmio|sorteio|cupom|promoção|vinto|vincit\p{L}*|)"
          R"(concorso|приз\p{L}*|выигр\p{L}*|розыгрыш|бонус\p{L}*|подар\p{L}*|ödül\p{L}*|)"
          R"(kazan\p{L}*|çekiliş|hediye|hadiah|undian|pemenang|menang|giải\h+thưởng|trúng|)"
          R"(khuyến\h+mãi|nagrod\p{L}*|wygra\p{L}*|loteri\p{L}*|prijs|winnaar|premie|výhr\p{L}*|)"
          R"(soutěž|nyeremény\p{L}*|nyert\p{L}*|sorsol\p{L}*|premiu\p{L}*|câștig\p{L}*|)"
          R"(tombol\p{L}*|præmie|vinder|vundet|vinst|vinnare|vunnit|gevinst|palkin\p{L}*|)"
          R"(voitit|arvonta|βραβε\p{L}*|κέρδισ\p{L}*|δώρο|κλήρωσ\p{L}*|premyo|nanalo|panalo|)"
          R"(vyhr\p{L}*|gratul\p{L}*|onnittel\p{L}*|grattis|tillykke|felicit\p{L}*|parabéns|)"
          R"(glückwunsch|gefeliciteerd|поздравл\p{L}*|вітаємо|tebrik\p{L}*|chúc\h+mừng|)"
          R"(congratulazioni|συγχαρητήρια)(?!\p{L}))"
          // Scripts whose words take prefixes or stand without spaces.
          R"(|פרס|זכית|הגרלה|מזל\h+טוב|جائزة|جوائز|ربح|فزت|فائز|مبروك|جایزه|برنده|قرعه|تبریک|)"
          R"(इनाम|पुरस्कार|बधाई|ইনাম|ยินดีด้วย|恭喜|おめでとう|축하|)"
          R"(পুরস্কার|รางวัล|โปรโมชั่น|中奖|中獎|奖品|獎品|抽奖|抽獎|红包|紅包|优惠|優惠|积分|)"
          R"(積分|当選|景品|懸賞|プレゼント|クーポン|ポイント|당첨|경품|이벤트|쿠폰|포인트)")) {}

std::vector<StructuralRules::Candidate> StructuralRules::candidates(
    const icu::UnicodeString& text) const {
    std::vector<Candidate> out;
    retriever(text, out);
    // Each rule needs a code word (and most a digit): texts without one cost a single pass.
    const icu::UnicodeString lower = lowerCased(text);
    const std::u16string_view view(lower.getBuffer(), static_cast<std::size_t>(lower.length()));
    bool latinWord = false;
    bool cjkWord = false;
    // Where the words of the other scripts start, in text order.
    std::vector<int32_t> wordStarts;
    codeWordSearch_.eachIn(view, [&](std::size_t word, std::size_t end) {
        if (word < cjkWordsBegin_) {
            latinWord = true;
            wordStarts.push_back(static_cast<int32_t>(end - stemLengths_[word]));
        } else {
            cjkWord = true;
        }
    });
    if (!latinWord && !cjkWord) {
        return out;
    }
    const bool digits = hasDigit(text);
    if (digits && latinWord && lower.indexOf(icu::UnicodeString(u"your")) >= 0) {
        auto scanner = isYourCode_.scan(text);
        while (scanner.next()) {
            const auto code = scanner.mappedGroup(1);
            const auto span = scanner.group(0);
            const auto name = scanner.group(2);
            if (code && span && name &&
                !qualified(withoutKnownName(lower, *name), span->start, span->end)) {
                out.push_back(Candidate{cleaned(*code), scanner.mappedGroup(2), *code});
            }
        }
    }
    const bool brackets = std::any_of(std::begin(kOpeningBrackets), std::end(kOpeningBrackets),
                                      [&](char16_t c) { return lower.indexOf(c) >= 0; });
    if (digits && brackets) {
        byPattern(bracketAfterWord_, text, lower, out);
        byPattern(bracketBeforeWord_, text, lower, out, true);
    }
    if (digits && cjkWord) {
        byPattern(afterCjkWord_, text, lower, out);
        byPattern(beforeCjkWord_, text, lower, out);
    }
    if (lower.indexOf(u'\n') >= 0) {
        labelLines(text, out);
    }
    if ((latinWord || cjkWord) && hasCapitalRun(text)) {
        auto scanner = capitalsAfterWord_.scan(text);
        while (scanner.next()) {
            const auto code = scanner.mappedGroup(1);
            const auto span = scanner.group(0);
            if (code && span && !isCommonCapitalWord(*code) &&
                !qualified(lower, span->start, span->end)) {
                out.push_back(Candidate{*code, std::nullopt, {}});
            }
        }
    }
    if (digits && latinWord) {
        afterWord(lower, wordStarts, out);
    }
    return out;
}

void StructuralRules::afterWord(const icu::UnicodeString& lower, std::vector<int32_t> starts,
                                std::vector<Candidate>& out) const {
    // Tried only where a code word starts: a search over the whole text would try every
    // word's alternatives at every letter. Digits and the words' case do not differ in the
    // lower-cased text.
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    auto scanner = afterAnyWord_.scan(lower);
    int32_t covered = 0;
    for (const int32_t start : starts) {
        if (start < covered) {
            continue;
        }
        const auto end = scanner.matchAt(start);
        if (!end) {
            continue;
        }
        covered = *end;
        const auto code = scanner.mappedGroup(1);
        if (code && !qualified(lower, start, *end)) {
            icu::UnicodeString clean = cleaned(*code);
            if (hasDigit(clean)) {
                out.push_back(Candidate{std::move(clean), std::nullopt, *code});
            }
        }
    }
}

void StructuralRules::byPattern(const Regex& pattern, const icu::UnicodeString& text,
                                const icu::UnicodeString& lower, std::vector<Candidate>& out,
                                bool notOpening) const {
    // A bracket that opens the text is the sender's tag ('【12306】').
    int32_t opening = 0;
    while (opening < text.length() && u_isUWhiteSpace(text.char32At(opening))) {
        opening = text.moveIndex32(opening, 1);
    }
    auto scanner = pattern.scan(text);
    while (scanner.next()) {
        const auto code = scanner.mappedGroup(1);
        const auto span = scanner.group(0);
        if (!code || !span || qualified(lower, span->start, span->end) ||
            (notOpening && span->start == opening)) {
            continue;
        }
        icu::UnicodeString clean = cleaned(*code);
        if (hasDigit(clean)) {
            out.push_back(Candidate{std::move(clean), std::nullopt, *code});
        }
    }
}

void StructuralRules::retriever(const icu::UnicodeString& text, std::vector<Candidate>& out) const {
    const icu::UnicodeString body = trimmed(text);
    if (!body.startsWith(icu::UnicodeString(u"<#>")) &&
        !body.startsWith(icu::UnicodeString(u"[#]"))) {
        return;
    }
    const int32_t lastBreak = body.lastIndexOf(u'\n');
    if (lastBreak < 0 || !isAppHash(trimmed(icu::UnicodeString(body, lastBreak + 1)))) {
        return;
    }
    const icu::UnicodeString between(body, 3, lastBreak - 3);
    std::vector<icu::UnicodeString> found;
    auto scanner = retrieverCode_.scan(between);
    while (scanner.next()) {
        if (const auto group = scanner.mappedGroup(1)) {
            icu::UnicodeString code = cleaned(*group);
            if (code.length() >= 4 && code.length() <= 10 &&
                std::find(found.begin(), found.end(), code) == found.end()) {
                found.push_back(std::move(code));
            }
        }
    }
    // The format carries one code: with several numbers it is not the shape.
    if (found.size() == 1) {
        out.push_back(Candidate{found.front(), std::nullopt, {}});
    }
}

void StructuralRules::labelLines(const icu::UnicodeString& text,
                                 std::vector<Candidate>& out) const {
    const std::vector<icu::UnicodeString> lines = linesOf(text);
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (trimmed(lines[i]).isEmpty()) {
            continue;
        }
        {
            auto label = labelLine_.scan(lines[i]);
            if (!label.next()) {
                continue;
            }
        }
        const icu::UnicodeString lowerLabel = lowerCased(lines[i]);
        if (qualified(lowerLabel, 0, lowerLabel.length())) {
            continue;
        }
        std::size_t next = i + 1;
        while (next < lines.size() && trimmed(lines[next]).isEmpty()) {
            ++next;
        }
        if (next == lines.size()) {
            break;
        }
        auto line = codeLine_.scan(lines[next]);
        if (!line.next()) {
            continue;
        }
        if (const auto group = line.mappedGroup(1)) {
            icu::UnicodeString code = cleaned(*group);
            if (hasDigit(code) ||
                (allCapitals(code) && code.length() <= 8 && !isCommonCapitalWord(code))) {
                out.push_back(Candidate{std::move(code), std::nullopt, *group});
            }
        }
    }
}

bool StructuralRules::namesACode(const icu::UnicodeString& name) const {
    auto scanner = codeWord_.scan(name);
    return scanner.next();
}

bool StructuralRules::isPromotional(const icu::UnicodeString& lowerText) const {
    auto scanner = promotion_.scan(lowerText);
    return scanner.next();
}

const StructuralRules& structuralRules() {
    static const StructuralRules rules;
    return rules;
}

}  // namespace nabbit
