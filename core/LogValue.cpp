#include "core/LogValue.h"

#include <cstdio>

namespace nabbit {

namespace {

std::string quoted(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u{%x}",
                                  static_cast<unsigned>(static_cast<unsigned char>(c)));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

template <class... Fs>
struct Overloaded : Fs... {
    using Fs::operator()...;
};
template <class... Fs>
Overloaded(Fs...) -> Overloaded<Fs...>;

}  // namespace

std::string LogValue::render() const {
    return std::visit(Overloaded{
                          [](const std::string& text) { return quoted(text); },
                          [](std::int64_t number) { return std::to_string(number); },
                          [](std::uint64_t number) { return std::to_string(number); },
                          [](const std::vector<std::string>& texts) {
                              std::string out = "[";
                              for (std::size_t i = 0; i < texts.size(); ++i) {
                                  if (i > 0) {
                                      out += ", ";
                                  }
                                  out += quoted(texts[i]);
                              }
                              return out + "]";
                          },
                      },
                      value_);
}

std::string renderLogDetails(const LogDetails& details) {
    if (details.empty()) {
        return "[:]";
    }
    std::string out = "[";
    for (std::size_t i = 0; i < details.size(); ++i) {
        if (i > 0) {
            out += ", ";
        }
        out += quoted(details[i].first);
        out += ": ";
        out += details[i].second.render();
    }
    return out + "]";
}

}  // namespace nabbit
