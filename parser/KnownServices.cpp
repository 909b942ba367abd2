#include "parser/KnownServices.h"

#include <cstdint>
#include <vector>

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

std::optional<std::string_view> firstKnownService(std::string_view text) {
    // Table indexes by first byte, ascending: the text is walked once instead of once per name.
    static const std::array<std::vector<std::uint8_t>, 256> byFirstByte = [] {
        std::array<std::vector<std::uint8_t>, 256> index;
        const auto& names = knownServices();
        for (std::size_t i = 0; i < names.size(); ++i) {
            index[static_cast<unsigned char>(names[i].front())].push_back(
                static_cast<std::uint8_t>(i));
        }
        return index;
    }();
    const auto& names = knownServices();
    std::size_t best = names.size();
    for (std::size_t pos = 0; pos < text.size() && best > 0; ++pos) {
        for (const std::uint8_t i : byFirstByte[static_cast<unsigned char>(text[pos])]) {
            if (i >= best) {
                break;
            }
            if (text.substr(pos).starts_with(names[i])) {
                best = i;
                break;
            }
        }
    }
    if (best == names.size()) {
        return std::nullopt;
    }
    return names[best];
}

}  // namespace nabbit
