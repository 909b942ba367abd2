// nabbit-index: writes the index of decoded language files that programs read at start-up
// instead of decoding the JSON (LanguageFileIndex). Run by the build over the shipped files.
//
//   nabbit-index OUTPUT FILE...
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "parser/LanguageFileIndex.h"
#include "parser/ResourceLocator.h"
#include "parser/ServiceExtraction.h"

int main(int argc, char** argv) {
    using namespace nabbit;
    if (argc < 2) {
        std::cerr << "Usage: nabbit-index OUTPUT FILE...\n";
        return 2;
    }
    const std::filesystem::path output(argv[1]);
    std::vector<std::string> contents;
    for (int i = 2; i < argc; ++i) {
        auto bytes = ResourceLocator::readFile(argv[i]);
        if (!bytes) {
            std::cerr << "nabbit-index: cannot read " << argv[i] << '\n';
            return 1;
        }
        contents.push_back(*std::move(bytes));
    }
    // Written beside the target and renamed over it, so that no program reads half an index.
    const std::filesystem::path partial = output.string() + ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << LanguageFileIndex::write(contents, serviceNamePatterns());
        if (!out.flush()) {
            std::cerr << "nabbit-index: cannot write " << partial.string() << '\n';
            return 1;
        }
    }
    std::error_code ec;
    std::filesystem::rename(partial, output, ec);
    if (ec) {
        std::cerr << "nabbit-index: cannot write " << output.string() << ": " << ec.message()
                  << '\n';
        return 1;
    }
    return 0;
}
