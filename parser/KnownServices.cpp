#include "parser/KnownServices.h"

#include <utility>

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

bool isAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

NameTable::NameTable(std::vector<std::string> names) : names_(std::move(names)) {
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (!names_[i].empty()) {
            byFirstByte_[static_cast<unsigned char>(names_[i].front())].push_back(
                static_cast<std::uint32_t>(i));
        }
    }
}

std::optional<std::string_view> NameTable::firstWholeWord(std::string_view text) const {
    std::size_t best = names_.size();
    for (std::size_t pos = 0; pos < text.size() && best > 0; ++pos) {
        if (pos > 0 && isAsciiAlnum(text[pos - 1])) {
            continue;
        }
        for (const std::uint32_t i : byFirstByte_[static_cast<unsigned char>(text[pos])]) {
            if (i >= best) {
                break;
            }
            const std::string& name = names_[i];
            const std::size_t end = pos + name.size();
            if (text.substr(pos).starts_with(name) &&
                (end == text.size() || !isAsciiAlnum(text[end]))) {
                best = i;
                break;
            }
        }
    }
    if (best == names_.size()) {
        return std::nullopt;
    }
    return names_[best];
}

std::optional<std::string_view> firstKnownService(std::string_view text) {
    static const NameTable table = [] {
        const auto& names = knownServices();
        return NameTable(std::vector<std::string>(names.begin(), names.end()));
    }();
    return table.firstWholeWord(text);
}

}  // namespace nabbit
