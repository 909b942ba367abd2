#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/Expected.h"
#include "parser/OTPParser.h"

namespace nabbit::tools {

// The command line of nabbit-parse.
struct ParseOptions {
    std::optional<std::filesystem::path> resources;
    bool jsonl = false;
    bool help = false;
    // Threads for --jsonl; absent for one per processor.
    std::optional<unsigned> jobs;
    std::optional<std::string> text;
};

// Reads the arguments after the program name; the error is a message for stderr.
Expected<ParseOptions, std::string> parseArguments(std::span<const std::string_view> args);

std::string usage();

// {"code":"482913","service":"acme"}, with nulls for what is absent.
std::string resultLine(const std::optional<ParsedOTP>& result);

// The result line for one JSON Lines input line. A line that is not a JSON object with a
// string "text" (an empty line included) gives {"code":null,"service":null,"error":"..."}.
std::string jsonlResultLine(const OTPParser& parser, std::string_view line);

// One result line per input line, in order, until the input ends, parsed on that many
// threads (one parses on the calling thread alone).
void runJsonl(const OTPParser& parser, std::istream& in, std::ostream& out, unsigned threads);

}  // namespace nabbit::tools
