#include "CorpusFigures.h"

namespace nabbit::test {

namespace {

std::string shown(const std::optional<std::string>& value) {
    return value ? "'" + *value + "'" : "none";
}

std::string oneLine(std::string text) {
    for (auto& c : text) {
        if (c == '\n') {
            c = ' ';
        }
    }
    return text;
}

}  // namespace

CorpusFigures CorpusFigures::measure(const OTPParser& parser, const Corpus& corpus) {
    CorpusFigures figures;
    figures.language = corpus.language;
    for (const auto& line : corpus.lines) {
        const auto result = parser.parse(line.text);
        const std::optional<std::string> got =
            result ? std::optional<std::string>(result->code) : std::nullopt;
        const auto where = corpus.language + ":" + std::to_string(line.lineNumber) + " ";
        if (line.code) {
            ++figures.positives;
            if (got == line.code) {
                ++figures.found;
                if (line.hasService) {
                    ++figures.servicesNamed;
                    if (result->service == line.service) {
                        ++figures.servicesRight;
                    } else {
                        figures.misses.push_back(where + "service " + shown(result->service) +
                                                 ", want " + shown(line.service) + ": " +
                                                 oneLine(line.text));
                    }
                }
            } else {
                figures.misses.push_back(where + "code " + shown(got) + ", want " +
                                         shown(line.code) + ": " + oneLine(line.text));
            }
        } else {
            ++figures.negatives;
            if (got) {
                ++figures.falsePositives;
                figures.misses.push_back(where + "false positive " + shown(got) + ": " +
                                         oneLine(line.text));
            }
        }
    }
    return figures;
}

}  // namespace nabbit::test
