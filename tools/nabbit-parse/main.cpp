// nabbit-parse: the code parser on the command line, for scripts and for checking language
// files. See usage() for the interface.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string_view>
#include <system_error>
#include <vector>

#include "HeapPrefault.h"
#include "OrderedLineWorkers.h"
#include "ParseCommand.h"
#include "parser/SimpleOTPParser.h"

int main(int argc, char** argv) {
    using namespace nabbit;

    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const auto options = tools::parseArguments(args);
    if (!options) {
        std::cerr << "nabbit-parse: " << options.error() << "\nTry 'nabbit-parse --help'.\n";
        return 2;
    }
    if (options->help) {
        std::cout << tools::usage();
        return 0;
    }

    if (options->resources) {
        std::error_code ec;
        if (!std::filesystem::is_directory(*options->resources, ec)) {
            std::cerr << "nabbit-parse: no such folder: " << options->resources->string() << '\n';
            return 2;
        }
    }

    // What the parser's tables take, with room for one message's work.
    tools::prefaultHeap(std::size_t{4} << 20);
    const SimpleOTPParser parser =
        options->resources ? SimpleOTPParser(ResourceLocator::forDirectory(*options->resources))
                           : SimpleOTPParser();
    int status = 0;
    if (options->jsonl) {
        // Unsynchronised streams read many lines faster; their buffers cost one call more
        // than it gains.
        std::ios::sync_with_stdio(false);
        tools::runJsonl(parser, std::cin, std::cout,
                        options->jobs.value_or(tools::defaultWorkerCount()));
    } else {
        const auto result = parser.parse(*options->text);
        std::cout << tools::resultLine(result) << '\n';
        status = result ? 0 : 1;
    }
    // Tearing down the parser (thousands of patterns and strings) would cost a short run
    // more than its parse; the system takes the memory back at once.
    std::cout.flush();
    std::_Exit(std::cout ? status : 2);
}
