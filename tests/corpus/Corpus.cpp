#include "Corpus.h"

#include <algorithm>
#include <fstream>

#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <nlohmann/json.hpp>

namespace nabbit::test {

namespace {

std::optional<std::string> optionalString(const nlohmann::json& object, const char* key,
                                          std::string& problem) {
    const auto it = object.find(key);
    if (it == object.end() || it->is_null()) {
        return std::nullopt;
    }
    if (!it->is_string()) {
        problem = std::string("\"") + key + "\" is neither a string nor null";
        return std::nullopt;
    }
    return it->get<std::string>();
}

}  // namespace

Corpus Corpus::load(const std::filesystem::path& jsonlFile) {
    Corpus corpus;
    corpus.language = jsonlFile.stem().string();
    std::ifstream in(jsonlFile, std::ios::binary);
    if (!in) {
        corpus.problems.push_back(jsonlFile.string() + ": cannot be read");
        return corpus;
    }
    std::string raw;
    int lineNumber = 0;
    while (std::getline(in, raw)) {
        ++lineNumber;
        const auto where = corpus.language + ".jsonl:" + std::to_string(lineNumber) + ": ";
        const auto object = nlohmann::json::parse(raw, nullptr, false);
        if (object.is_discarded() || !object.is_object()) {
            corpus.problems.push_back(where + "not a JSON object");
            continue;
        }
        CorpusLine line;
        line.lineNumber = lineNumber;
        std::string problem;
        const auto text = optionalString(object, "text", problem);
        line.code = optionalString(object, "code", problem);
        line.hasService = object.contains("service");
        line.service = optionalString(object, "service", problem);
        line.channel = optionalString(object, "channel", problem).value_or("");
        line.batch = optionalString(object, "batch", problem).value_or("");
        if (!text || text->empty()) {
            problem = "no text";
        } else if (!object.contains("code")) {
            problem = "no \"code\" member";
        } else if (line.channel != "sms" && line.channel != "mail") {
            problem = "channel is neither \"sms\" nor \"mail\"";
        }
        if (!problem.empty()) {
            corpus.problems.push_back(where + problem);
            continue;
        }
        line.text = *text;
        corpus.lines.push_back(std::move(line));
    }
    return corpus;
}

Corpus Corpus::onlyBatch(const std::string& batch) const {
    Corpus out{language, {}, problems};
    for (const auto& line : lines) {
        if (line.batch == batch) {
            out.lines.push_back(line);
        }
    }
    return out;
}

std::vector<Corpus> Corpus::loadAll(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (entry.path().extension() == ".jsonl") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    std::vector<Corpus> all;
    for (const auto& file : files) {
        all.push_back(load(file));
    }
    return all;
}

std::string cleaned(const std::string& utf8) {
    const auto text = icu::UnicodeString::fromUTF8(utf8);
    icu::UnicodeString kept;
    for (int32_t i = 0; i < text.length();) {
        const UChar32 c = text.char32At(i);
        if ((U_GET_GC_MASK(c) & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0) {
            kept.append(c);
        }
        i += U16_LENGTH(c);
    }
    std::string out;
    kept.toUTF8String(out);
    return out;
}

}  // namespace nabbit::test
