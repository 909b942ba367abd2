#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace nabbit::test {

// One message of the corpus: its text (for mail, subject + "\n" + summary), the code a user
// wants copied (absent for messages that carry none), and, where the line names one, the
// sending service.
struct CorpusLine {
    int lineNumber = 0;
    std::string text;
    std::optional<std::string> code;
    bool hasService = false;             // the line has a "service" member
    std::optional<std::string> service;  // absent when that member is null
    std::string channel;                 // "sms" or "mail"
    // Lines written as unseen checks carry the batch they came in ("1", "2"); empty otherwise.
    std::string batch;
};

// The lines of one tests/corpus/<language>.jsonl file, and what was wrong with any line
// that could not be read (line number and reason).
struct Corpus {
    std::string language;
    std::vector<CorpusLine> lines;
    std::vector<std::string> problems;

    static Corpus load(const std::filesystem::path& jsonlFile);
    // The same corpus with only the lines of one batch.
    Corpus onlyBatch(const std::string& batch) const;
    // Every *.jsonl file of a folder, by language name.
    static std::vector<Corpus> loadAll(const std::filesystem::path& folder);
};

// The text without anything that is not a letter, mark or number (the parser's cleaning),
// with decimal digits of every script written in ASCII (the parser delivers codes so), so
// that '482-913', '482 913' and '٤٨٢ ٩١٣' compare equal to '482913'.
std::string cleaned(const std::string& utf8);

// The shipped language files and custom-patterns.json read as plain JSON, independently of
// the parser's loader, so that a file the loader would silently skip still fails a test.
struct ShippedFiles {
    struct Language {
        std::string name;  // "en", "fr", ...
        std::vector<std::string> keywords;
        std::vector<std::string> patterns;
        std::vector<std::string> exclusions;
        std::vector<std::string> services;
    };
    struct CustomPattern {
        std::string service;
        std::string pattern;
    };

    std::vector<Language> languages;  // by name; a file that did not decode is absent
    std::vector<CustomPattern> customPatterns;
    std::vector<std::string> problems;  // what could not be read or decoded

    // Reads every <folder>/<language>.json and <folder>/custom-patterns.json.
    static ShippedFiles read(const std::filesystem::path& folder);
};

}  // namespace nabbit::test
