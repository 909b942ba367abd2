// The nabbit program: one verb per way of running it. Command-line verbs run under a
// QCoreApplication, so they need no display.

#include <QCoreApplication>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/DefaultsCommand.h"
#include "app/WatchCommand.h"

namespace {

using Arguments = std::vector<std::string>;

struct Verb {
    std::string_view name;
    std::string_view summary;
    int (*run)(const Arguments& arguments);
};

int runDefaults(const Arguments& arguments) {
    return nabbit::DefaultsCommand().run(arguments, std::cout, std::cerr);
}

int runWatch(const Arguments& arguments) {
    return nabbit::WatchCommand().run(arguments, std::cout, std::cerr);
}

constexpr Verb verbs[] = {
    {"defaults", "read, write or delete preferences (nabbit defaults --help)", runDefaults},
    {"watch", "print each new code as a JSON line (nabbit watch --help)", runWatch},
};

void printUsage(std::ostream& out) {
    out << "usage: nabbit <command> [arguments]\n\ncommands:\n";
    for (const Verb& verb : verbs) {
        out << "  " << verb.name
            << std::string(verb.name.size() < 12 ? 12 - verb.name.size() : 1, ' ') << verb.summary
            << "\n";
    }
    out << "  --help      show this help\n"
           "  --version   show the version\n\n"
        << nabbit::DefaultsCommand::usage();
}

}  // namespace

int main(int argc, char** argv) {
    const Arguments arguments(argv + 1, argv + argc);
    if (arguments.empty()) {
        printUsage(std::cerr);
        return 2;
    }
    const std::string& first = arguments.front();
    if (first == "--help" || first == "-h" || first == "help") {
        printUsage(std::cout);
        return 0;
    }
    if (first == "--version") {
        std::cout << "nabbit " << NABBIT_VERSION << "\n";
        return 0;
    }
    for (const Verb& verb : verbs) {
        if (first == verb.name) {
            QCoreApplication application(argc, argv);
            return verb.run(Arguments(arguments.begin() + 1, arguments.end()));
        }
    }
    std::cerr << "nabbit: unknown command '" << first << "'\n";
    printUsage(std::cerr);
    return 2;
}
