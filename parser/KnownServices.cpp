#include "parser/KnownServices.h"

#include <utility>

#include "parser/UnicodeText.h"

namespace nabbit {

const std::array<std::string_view, 136>& knownServices() {
    static constexpr std::array<std::string_view, 136> services{
        "td ameritrade",
        "coinbase",
        "ally",
        "schwab",
        "id.me",
        "bofa",
        "dropboxing",
        "wise.com",
        "paypal",
        "venmo",
        "cash",
        "segment",
        "verizon",
        "kotak bank",
        "weibo",
        "wechat",
        "whatsapp",
        "viber",
        "snapchat",
        "line",
        "slack",
        "signal",
        "telegram",
        "allo",
        "kakaotalk",
        "voxer",
        "im+",
        "skype",
        "facebook",
        "microsoft",
        "google",
        "twitter",
        "instagram",
        "sony",
        "apple",
        "ubereats",
        "uber",
        "lyft",
        "postmates",
        "doordash",
        "delivery.com",
        "eat24",
        "foodler",
        "chipotle",
        "amazon",
        "tencent",
        "alibaba",
        "taobao",
        "baidu",
        "youku",
        "toutaio",
        "netease",
        "yandex",
        "uc browser",
        "qq browser",
        "qmenu",
        "sogou",
        "bbm",
        "ebay",
        "intel",
        "cisco",
        "citizen",
        "oracle",
        "xerox",
        "ibm",
        "foursquare",
        "hotmail",
        "outlook",
        "yahoo",
        "netflix",
        "spotify",
        "producthunt",
        "nike",
        "adidas",
        "shopify",
        "wordpress",
        "yelp eats",
        "yelp",
        "drizly",
        "eaze",
        "gopuff",
        "grubhub",
        "seamless",
        "foodpanda",
        "freshdirect",
        "github",
        "flickr",
        "etsy",
        "bank of america",
        "lenscrafters",
        "zocdoc",
        "flycleaners",
        "cleanly",
        "handy",
        "twilio",
        "kik",
        "xbox",
        "imo",
        "kayak",
        "grab",
        "qq",
        "moonpay",
        "robinhood",
        "ao retail",
        "cater allen",
        "apple pay",
        "bill.com",
        "amex",
        "sia",
        "fanduel",
        "cart",
        "fortuneo",
        "ca dmv",
        "chase",
        "taishin bank",
        "digitalocean",
        "geico",
        "dbs bank",
        "onelogin",
        "usps",
        "aod",
        "migov",
        "mpc",
        "pf-bank",
        "vodafone",
        "amex safekey",
        "churchill mortgage",
        "mygov",
        "bforbank",
        "idcat mobil",
        "revolut",
        "fnz bank",
        "sofi",
        "spirica",
        "aeroplan",
        "ee",
    };
    return services;
}

namespace {

bool isAsciiDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

bool isAsciiAlnum(char16_t c) {
    return isAsciiDigit(c) || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// No ASCII letter or digit touches a whole word, and a number in it does not run on past a
// point or comma: '99' is no word in 'R$ 49,99'.
bool standsAlone(std::u16string_view text, std::size_t start, std::size_t end) {
    const auto digitAt = [&](std::size_t i) { return i < text.size() && isAsciiDigit(text[i]); };
    const auto pointAt = [&](std::size_t i) {
        return i < text.size() && (text[i] == u'.' || text[i] == u',');
    };
    if (start > 0 && (isAsciiAlnum(text[start - 1]) ||
                      (start >= 2 && digitAt(start) && pointAt(start - 1) && digitAt(start - 2)))) {
        return false;
    }
    return end == text.size() ||
           !(isAsciiAlnum(text[end]) || (digitAt(end - 1) && pointAt(end) && digitAt(end + 1)));
}

}  // namespace

NameTable::NameTable(std::vector<std::string> names) : names_(std::move(names)) {
    std::vector<std::u16string> units;
    units.reserve(names_.size());
    lengths_.reserve(names_.size());
    for (const auto& name : names_) {
        units.push_back(utf16Of(name));
        lengths_.push_back(units.back().size());
    }
    search_ = MultiStringSearch(std::move(units));
}

std::optional<std::string_view> NameTable::firstWholeWord(std::u16string_view text) const {
    std::size_t best = names_.size();
    search_.eachIn(text, [&](std::size_t name, std::size_t end) {
        if (name >= best) {
            return;
        }
        if (standsAlone(text, end - lengths_[name], end)) {
            best = name;
        }
    });
    if (best == names_.size()) {
        return std::nullopt;
    }
    return names_[best];
}

std::optional<std::string_view> NameTable::firstWholeWord(std::string_view utf8Text) const {
    return firstWholeWord(std::u16string_view(utf16Of(utf8Text)));
}

namespace {

const NameTable& knownServiceTable() {
    static const NameTable table = [] {
        const auto& names = knownServices();
        return NameTable(std::vector<std::string>(names.begin(), names.end()));
    }();
    return table;
}

}  // namespace

std::optional<std::string_view> firstKnownService(std::string_view utf8Text) {
    return knownServiceTable().firstWholeWord(utf8Text);
}

std::optional<std::string_view> firstKnownService(std::u16string_view text) {
    return knownServiceTable().firstWholeWord(text);
}

}  // namespace nabbit
