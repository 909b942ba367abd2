// The index of decoded language files stands for exact file contents: what it gives equals
// decoding the JSON, a file edited since is decoded again, and damage makes it count for
// nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestHome.h"
#include "parser/LanguageFileIndex.h"
#include "parser/LanguageFiles.h"
#include "parser/ResourceLocator.h"

namespace nabbit {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::writeFile;

const std::string kEnglish =
    R"json({"keywords":["code","alpha"],"patterns":["(?i:code)\\h+(\\d{6})","x(\\d+)"],)json"
    R"json("exclusions":["(?i:order)\\h+\\d+"],"services":[" Acme ","acme","Zorg"]})json";
const std::string kFrench = R"json({"keywords":["véritable"],"patterns":["(?i:code) (\\d+)"]})json";

std::vector<std::string> sourcesOf(const std::vector<Regex>& patterns) {
    std::vector<std::string> out;
    for (const auto& pattern : patterns) {
        out.push_back(pattern.source());
    }
    return out;
}

void expectSameAsDecoded(const LanguageFile& indexed, const std::string& json) {
    const auto decoded = decodeLanguageFile(json);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(indexed.keywords, decoded->keywords);
    EXPECT_EQ(sourcesOf(indexed.patterns), sourcesOf(decoded->patterns));
    EXPECT_EQ(sourcesOf(indexed.exclusions), sourcesOf(decoded->exclusions));
    EXPECT_EQ(indexed.services, decoded->services);
    for (const auto* list : {&indexed.patterns, &indexed.exclusions}) {
        for (const auto& pattern : *list) {
            EXPECT_TRUE(pattern.bounded());
            EXPECT_EQ(pattern.requiredText().clauses, requiredText(pattern.source()).clauses);
        }
    }
}

TEST(LanguageFileIndex, GivesWhatDecodingGivesForExactlyTheIndexedBytes) {
    const auto index =
        LanguageFileIndex::fromBytes(LanguageFileIndex::write({kEnglish, "not json", kFrench}));
    ASSERT_TRUE(index);
    // Bytes that do not decode get no entry.
    EXPECT_EQ(index->size(), 2U);
    for (const auto& json : {kEnglish, kFrench}) {
        const auto found = index->find(json);
        ASSERT_TRUE(found) << json;
        expectSameAsDecoded(*found, json);
    }
    std::string edited = kEnglish;
    edited[edited.find("alpha")] = 'A';
    EXPECT_FALSE(index->find(edited));
}

TEST(LanguageFileIndex, DamagedOrOtherVersionCountsForNothing) {
    const std::string bytes =
        LanguageFileIndex::write({kEnglish, kFrench}, {Regex::deferred("a(b)c", {})});
    ASSERT_TRUE(LanguageFileIndex::fromBytes(bytes));
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        EXPECT_FALSE(LanguageFileIndex::fromBytes(bytes.substr(0, length))) << length;
    }
    std::string otherVersion = bytes;
    otherVersion[8] = static_cast<char>(otherVersion[8] + 1);
    EXPECT_FALSE(LanguageFileIndex::fromBytes(otherVersion));
    EXPECT_FALSE(LanguageFileIndex::fromBytes(bytes + "x"));
}

// The loader takes a file from the index beside OTPKeywords when its bytes are the indexed
// ones: an index altered in place (keyword 'alpha' made 'omega') shows which way was taken.
TEST(LanguageFileIndex, LoaderUsesItOnlyForUnchangedFiles) {
    TempDir dir;
    std::string bytes = LanguageFileIndex::write({kEnglish});
    bytes.replace(bytes.find("alpha"), 5, "omega");
    ASSERT_TRUE(writeFile(dir.path() / std::string(kLanguageFileIndexName), bytes));
    ASSERT_TRUE(writeFile(dir.path() / "OTPKeywords" / "en.json", kEnglish));
    ASSERT_TRUE(writeFile(dir.path() / "OTPKeywords" / "fr.json", kFrench));
    const auto locator = ResourceLocator::forDirectory(dir.path());
    EXPECT_EQ(loadLanguageFiles(locator).keywords,
              (std::set<std::string>{"code", "omega", "véritable"}));

    std::string edited = kEnglish;
    edited.replace(edited.find("alpha"), 5, "gamma");
    ASSERT_TRUE(writeFile(dir.path() / "OTPKeywords" / "en.json", edited));
    EXPECT_EQ(loadLanguageFiles(locator).keywords,
              (std::set<std::string>{"code", "gamma", "véritable"}));

    // A broken index is passed over.
    ASSERT_TRUE(writeFile(dir.path() / std::string(kLanguageFileIndexName), "NABBITLX"));
    EXPECT_EQ(loadLanguageFiles(locator).keywords,
              (std::set<std::string>{"code", "gamma", "véritable"}));
}

}  // namespace
}  // namespace nabbit
