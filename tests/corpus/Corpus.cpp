#include "Corpus.h"

#include <algorithm>
#include <fstream>

#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <nlohmann/json.hpp>

namespace nabbit::test {

namespace {

// The file as a JSON object; throws with the reason when it cannot be read or decoded.
nlohmann::json readObject(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot be read");
    }
    auto json = nlohmann::json::parse(in);
    if (!json.is_object()) {
        throw std::runtime_error("not a JSON object");
    }
    return json;
}

// A member that is a string, or null or absent; throws when it is anything else.
std::optional<std::string> optionalString(const nlohmann::json& object, const char* key) {
    const auto it = object.find(key);
    if (it == object.end() || it->is_null()) {
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
    }
    std::string raw;
    for (int lineNumber = 1; std::getline(in, raw); ++lineNumber) {
        try {
            const auto object = nlohmann::json::parse(raw);
            CorpusLine line;
            line.lineNumber = lineNumber;
            line.text = object.at("text").get<std::string>();
            line.code = optionalString(object, "code");
            line.hasService = object.contains("service");
            line.service = optionalString(object, "service");
            line.channel = object.at("channel").get<std::string>();
            line.batch = optionalString(object, "batch").value_or("");
            if (line.text.empty() || !object.contains("code") ||
                (line.channel != "sms" && line.channel != "mail")) {
                throw std::runtime_error("empty text, no \"code\", or neither sms nor mail");
            }
            corpus.lines.push_back(std::move(line));
        } catch (const std::exception& error) {
            corpus.problems.push_back(corpus.language + ".jsonl:" + std::to_string(lineNumber) +
                                      ": " + error.what());
        }
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
        if (u_charType(c) == U_DECIMAL_DIGIT_NUMBER) {
            kept.append(static_cast<UChar32>(u'0' + u_charDigitValue(c)));
        } else if ((U_GET_GC_MASK(c) & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0) {
            kept.append(c);
        }
        i += U16_LENGTH(c);
    }
    std::string out;
    kept.toUTF8String(out);
    return out;
}

ShippedFiles ShippedFiles::read(const std::filesystem::path& folder) {
    ShippedFiles files;
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const auto stem = entry.path().stem().string();
        if (entry.path().extension() == ".json" && stem != "custom-patterns") {
            names.push_back(stem);
        }
    }
    std::sort(names.begin(), names.end());
    using Strings = std::vector<std::string>;
    for (const auto& name : names) {
        // A member of the wrong type throws; "exclusions" and "services" may be left out.
        try {
            const auto json = readObject(folder / (name + ".json"));
            files.languages.push_back(
                {name, json.at("keywords").get<Strings>(), json.at("patterns").get<Strings>(),
                 json.value("exclusions", Strings{}), json.value("services", Strings{})});
        } catch (const std::exception& error) {
            files.problems.push_back(name + ".json: " + error.what());
        }
    }
    try {
        const auto json = readObject(folder / "custom-patterns.json");
        for (const auto& entry : json.at("customPatterns").get<std::vector<nlohmann::json>>()) {
            files.customPatterns.push_back(
                {entry.at("service").get<std::string>(), entry.at("pattern").get<std::string>()});
        }
    } catch (const std::exception& error) {
        files.problems.push_back(std::string("custom-patterns.json: ") + error.what());
    }
    return files;
}

}  // namespace nabbit::test
