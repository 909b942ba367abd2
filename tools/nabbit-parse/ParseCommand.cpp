#include "ParseCommand.h"

#include <istream>
#include <ostream>

#include <nlohmann/json.hpp>

namespace nabbit::tools {

namespace {

using Json = nlohmann::ordered_json;

std::string dumpLine(const Json& json) {
    // Replacing keeps a text with invalid UTF-8 printable instead of throwing.
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string errorLine(std::string_view why) {
    Json json;
    json["code"] = nullptr;
    json["service"] = nullptr;
    json["error"] = why;
    return dumpLine(json);
}

}  // namespace

Expected<ParseOptions, std::string> parseArguments(std::span<const std::string_view> args) {
    ParseOptions options;
    bool onlyText = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (!onlyText && arg == "--") {
            onlyText = true;
        } else if (!onlyText && (arg == "--help" || arg == "-h")) {
            options.help = true;
        } else if (!onlyText && arg == "--jsonl") {
            options.jsonl = true;
        } else if (!onlyText && arg == "--resources") {
            if (i + 1 >= args.size()) {
                return Unexpected{std::string("--resources needs a folder")};
            }
            options.resources = std::filesystem::path(args[++i]);
        } else if (!onlyText && arg.starts_with("--resources=")) {
            options.resources =
                std::filesystem::path(arg.substr(std::string_view("--resources=").size()));
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
           "       nabbit-parse [--resources DIR] --jsonl\n"
           "\n"
           "Finds the verification code in TEXT and prints one JSON line,\n"
           "{\"code\":\"482913\",\"service\":\"acme\"}; exits 1 with\n"
           "{\"code\":null,\"service\":null} when there is none.\n"
           "\n"
           "  --jsonl          read JSON Lines from stdin, each an object with a \"text\"\n"
           "                   member, and write one result line per input line\n"
           "  --resources DIR  use the language files in DIR/OTPKeywords or DIR instead of\n"
           "                   the shipped ones and the per-user overrides\n"
           "  --help           show this help\n"
           "\n"
           "Without --resources the shipped files are used; a file of the same name in\n"
           "$XDG_DATA_HOME/nabbit/OTPKeywords replaces the shipped one.\n";
}

std::string resultLine(const std::optional<ParsedOTP>& result) {
    Json json;
    json["code"] = nullptr;
    json["service"] = nullptr;
    if (result) {
        json["code"] = result->code;
        if (result->service) {
            json["service"] = *result->service;
        }
    }
    return dumpLine(json);
}

std::string jsonlResultLine(const OTPParser& parser, std::string_view line) {
    const auto input = Json::parse(line.begin(), line.end(), nullptr, false);
    if (input.is_discarded()) {
        return errorLine("invalid JSON");
    }
    if (!input.is_object()) {
        return errorLine("not a JSON object");
    }
    const auto text = input.find("text");
    if (text == input.end()) {
        return errorLine("missing \"text\"");
    }
    if (!text->is_string()) {
        return errorLine("\"text\" is not a string");
    }
    return resultLine(parser.parse(text->get_ref<const std::string&>()));
}

void runJsonl(const OTPParser& parser, std::istream& in, std::ostream& out) {
    std::string line;
    while (std::getline(in, line)) {
        out << jsonlResultLine(parser, line) << '\n';
    }
    out.flush();
}

}  // namespace nabbit::tools
