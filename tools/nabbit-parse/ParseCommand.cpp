#include "ParseCommand.h"

#include <charconv>
#include <istream>
#include <ostream>

#include <nlohmann/json.hpp>

#include "OrderedLineWorkers.h"

namespace nabbit::tools {

namespace {

using Json = nlohmann::ordered_json;

std::string dumpLine(const Json& json) {
    // Replacing keeps a text with invalid UTF-8 printable instead of throwing.
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// A JSON string as dump() writes it.
std::string quoted(const std::string& text) {
    return dumpLine(Json(text));
}

// Reads one input line for the member "text" of its top-level object without building the
// document: the other members ("code", "channel", ...) are only checked for being JSON.
// A repeated "text" counts with its last value, as in a parsed document.
class TextMember final : public nlohmann::json_sax<Json> {
  public:
    enum class Shape { kObject, kOther };

    std::optional<Shape> shape;
    bool found = false;
    std::optional<std::string> text;

    bool null() override { return value(); }
    bool boolean(bool) override { return value(); }
    bool number_integer(number_integer_t) override { return value(); }
    bool number_unsigned(number_unsigned_t) override { return value(); }
    bool number_float(number_float_t, const string_t&) override { return value(); }
    bool binary(binary_t&) override { return value(); }
    bool string(string_t& s) override {
        if (depth_ == 1 && atText_) {
            text = std::move(s);
        }
        return value();
    }
    bool start_object(std::size_t) override { return open(Shape::kObject); }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(Shape::kOther); }
    bool end_array() override { return close(); }
    bool key(string_t& k) override {
        atText_ = depth_ == 1 && k == "text";
        if (atText_) {
            found = true;
            text.reset();
        }
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

  private:
    bool value() {
        if (depth_ == 0) {
            shape = Shape::kOther;
        }
        atText_ = false;
        return true;
    }
    bool open(Shape kind) {
        if (depth_ == 0) {
            shape = kind;
        } else if (depth_ == 1) {
            // A container as the value of "text".
            atText_ = false;
        }
        ++depth_;
        return true;
    }
    bool close() {
        --depth_;
        atText_ = false;
        return true;
    }

    int depth_ = 0;
    bool atText_ = false;
};

std::string errorLine(std::string_view why) {
    Json json;
    json["code"] = nullptr;
    json["service"] = nullptr;
    json["error"] = why;
    return dumpLine(json);
}

// A thread count from 1 to 256.
std::optional<unsigned> threadCount(std::string_view text) {
    constexpr unsigned kMost = 256;
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > kMost) {
        return std::nullopt;
    }
    return value;
}

// Whether args[i] is the option `name`, given as "NAME VALUE" (the value is the next argument,
// and i moves to it) or "NAME=VALUE". The value is absent when no argument follows.
bool optionValue(std::span<const std::string_view> args, std::size_t& i, std::string_view name,
                 std::optional<std::string_view>& value) {
    const std::string_view arg = args[i];
    if (arg == name) {
        if (i + 1 < args.size()) {
            value = args[++i];
        }
        return true;
    }
    if (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=') {
        value = arg.substr(name.size() + 1);
        return true;
    }
    return false;
}

}  // namespace

Expected<ParseOptions, std::string> parseArguments(std::span<const std::string_view> args) {
    ParseOptions options;
    bool onlyText = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        std::optional<std::string_view> value;
        if (!onlyText && arg == "--") {
            onlyText = true;
        } else if (!onlyText && (arg == "--help" || arg == "-h")) {
            options.help = true;
        } else if (!onlyText && arg == "--jsonl") {
            options.jsonl = true;
        } else if (!onlyText && optionValue(args, i, "--resources", value)) {
            if (!value) {
                return Unexpected{std::string("--resources needs a folder")};
            }
            options.resources = std::filesystem::path(*value);
        } else if (!onlyText && optionValue(args, i, "--jobs", value)) {
            if (!value) {
                return Unexpected{std::string("--jobs needs a number")};
            }
            options.jobs = threadCount(*value);
            if (!options.jobs) {
                return Unexpected{"--jobs takes a number from 1 to 256, not '" +
                                  std::string(*value) + "'"};
            }
        } else if (!onlyText && arg.size() > 1 && arg.starts_with('-')) {
            return Unexpected{"unknown option " + std::string(arg)};
        } else if (options.text) {
            return Unexpected{std::string("only one TEXT may be given (quote it)")};
        } else {
            options.text = std::string(arg);
        }
    }
    if (options.help) {
        return options;
    }
    if (options.resources && options.resources->empty()) {
        return Unexpected{std::string("--resources needs a folder")};
    }
    if (options.jobs && !options.jsonl) {
        return Unexpected{std::string("--jobs goes with --jsonl")};
    }
    if (options.jsonl && options.text) {
        return Unexpected{std::string("give either TEXT or --jsonl, not both")};
    }
    if (!options.jsonl && !options.text) {
        return Unexpected{std::string("no TEXT given")};
    }
    return options;
}

std::string usage() {
    return "Usage: nabbit-parse [--resources DIR] TEXT\n"
           "       nabbit-parse [--resources DIR] --jsonl [--jobs N]\n"
           "\n"
           "Finds the verification code in TEXT and prints one JSON line,\n"
           "{\"code\":\"482913\",\"service\":\"acme\"}; exits 1 with\n"
           "{\"code\":null,\"service\":null} when there is none.\n"
           "\n"
           "  --jsonl          read JSON Lines from stdin, each an object with a \"text\"\n"
           "                   member, and write one result line per input line\n"
           "  --jobs N         parse the lines on N threads (default: one per processor,\n"
           "                   at most 8); the results keep the input's order\n"
           "  --resources DIR  use the language files in DIR/OTPKeywords or DIR instead of\n"
           "                   the shipped ones and the per-user overrides\n"
           "  --help           show this help\n"
           "\n"
           "Without --resources the shipped files are used; a file of the same name in\n"
           "$XDG_DATA_HOME/nabbit/OTPKeywords replaces the shipped one.\n";
}

std::string resultLine(const std::optional<ParsedOTP>& result) {
    // Written directly: a document per line costs more than the parse of a short message.
    std::string line = "{\"code\":";
    line += result ? quoted(result->code) : "null";
    line += ",\"service\":";
    line += result && result->service ? quoted(*result->service) : "null";
    line += '}';
    return line;
}

std::string jsonlResultLine(const OTPParser& parser, std::string_view line) {
    TextMember input;
    if (!Json::sax_parse(line.begin(), line.end(), &input)) {
        return errorLine("invalid JSON");
    }
    if (input.shape != TextMember::Shape::kObject) {
        return errorLine("not a JSON object");
    }
    if (!input.found) {
        return errorLine("missing \"text\"");
    }
    if (!input.text) {
        return errorLine("\"text\" is not a string");
    }
    return resultLine(parser.parse(*input.text));
}

void runJsonl(const OTPParser& parser, std::istream& in, std::ostream& out, unsigned threads) {
    // The output is flushed when the input has nothing more buffered (see below), not before
    // every line as a tied stream would; and the workers write from other threads.
    std::ostream* const tied = in.tie(nullptr);
    std::string line;
    if (threads <= 1) {
        while (std::getline(in, line)) {
            out << jsonlResultLine(parser, line) << '\n';
            // A program that writes a line and waits for its result gets it before this
            // waits for more input.
            if (in.rdbuf()->in_avail() <= 0) {
                out.flush();
            }
        }
    } else {
        OrderedLineWorkers workers(
            [&parser](const std::string& text) { return jsonlResultLine(parser, text); }, out,
            threads);
        while (std::getline(in, line)) {
            workers.add(std::move(line));
            line.clear();
        }
        workers.finish();
    }
    out.flush();
    in.tie(tied);
}

}  // namespace nabbit::tools
