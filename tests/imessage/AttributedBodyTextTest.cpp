#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include <plist/plist.h>
#include <nlohmann/json.hpp>

#include "DebugLogCapture.h"
#include "FixtureDatabases.h"
#include "TestHome.h"
#include "core/AppStateManager.h"
#include "sources/imessage/AttributedBodyText.h"
#include "tools/nabbit-simulate/AttributedBodyEncoder.h"

namespace nabbit {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes readBlob(const std::string& name) {
    return bytesOf(test::readFixture("attributed-body/" + name));
}

std::string trimmed(std::string text) {
    auto isSpace = [](unsigned char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; };
    while (!text.empty() && isSpace(text.back()))
        text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && isSpace(text[start]))
        ++start;
    return text.substr(start);
}

bool contains(const std::vector<std::string>& messages, const std::string& message) {
    return std::find(messages.begin(), messages.end(), message) != messages.end();
}

// A keyed archive of an attributed string, as the archiving platform writes it.
class ArchiveBuilder {
  public:
    ArchiveBuilder() : root_(plist_new_dict()) {}
    ~ArchiveBuilder() { plist_free(root_); }

    // Root object: an instance of `className` (with the class chain) holding `text` as its
    // "NSString" member; `text` absent leaves the member out.
    ArchiveBuilder& object(const std::vector<std::string>& classChain,
                           const std::optional<std::string>& text) {
        plist_dict_set_item(root_, "$archiver", plist_new_string("NSKeyedArchiver"));
        plist_dict_set_item(root_, "$version", plist_new_uint(100000));
        plist_t top = plist_new_dict();
        plist_dict_set_item(top, "root", plist_new_uid(1));
        plist_dict_set_item(root_, "$top", top);
        plist_t objects = plist_new_array();
        plist_array_append_item(objects, plist_new_string("$null"));
        plist_t object = plist_new_dict();
        plist_dict_set_item(object, "$class", plist_new_uid(3));
        if (text) {
            plist_dict_set_item(object, "NSString", plist_new_uid(2));
        }
        plist_array_append_item(objects, object);
        plist_array_append_item(objects, plist_new_string(text.value_or("").c_str()));
        plist_t cls = plist_new_dict();
        plist_dict_set_item(cls, "$classname", plist_new_string(classChain.front().c_str()));
        plist_t chain = plist_new_array();
        for (const auto& name : classChain) {
            plist_array_append_item(chain, plist_new_string(name.c_str()));
        }
        plist_dict_set_item(cls, "$classes", chain);
        plist_array_append_item(objects, cls);
        plist_dict_set_item(root_, "$objects", objects);
        return *this;
    }

    Bytes binary() const {
        char* data = nullptr;
        uint32_t length = 0;
        plist_to_bin(root_, &data, &length);
        Bytes out(data, data + length);
        plist_to_bin_free(data);
        return out;
    }

    Bytes xml() const {
        char* data = nullptr;
        uint32_t length = 0;
        plist_to_xml(root_, &data, &length);
        Bytes out(data, data + length);
        plist_to_xml_free(data);
        return out;
    }

  private:
    plist_t root_;
};

const std::vector<std::string> kAttributedChain = {"NSMutableAttributedString",
                                                   "NSAttributedString", "NSObject"};

Bytes binaryPlist(plist_t node) {
    char* data = nullptr;
    uint32_t length = 0;
    plist_to_bin(node, &data, &length);
    Bytes out(data, data + length);
    plist_to_bin_free(data);
    plist_free(node);
    return out;
}

class AttributedBodyTextTest : public ::testing::Test {
  protected:
    void SetUp() override { test::startDebugLog(); }
};

// Every real body gives the text archived in it, trimmed, or nothing when that is empty; the
// message text is read where the archive stores it, not cut at fixed distances.
TEST_F(AttributedBodyTextTest, RealBodiesGiveTheirArchivedText) {
    const auto expected = nlohmann::json::parse(test::readFixture("attributed-body/expected.json"));
    ASSERT_EQ(expected.size(), 20u);
    for (const auto& [file, text] : expected.items()) {
        SCOPED_TRACE(file);
        const auto want = trimmed(text.get<std::string>());
        const auto got = extractTextFromAttributedBody(readBlob(file));
        if (want.empty()) {
            EXPECT_FALSE(got.has_value());
        } else {
            ASSERT_TRUE(got.has_value());
            EXPECT_EQ(*got, want);
        }
    }
}

TEST_F(AttributedBodyTextTest, RealBodyLogsEveryMethodInOrder) {
    const auto text = extractTextFromAttributedBody(readBlob("code.bin"));
    ASSERT_EQ(text, "000123 is your security code. Don't share your code.");
    const std::vector<std::string> expected = {
        "Attempting Method 1: NSKeyedUnarchiver with NSAttributedString",
        "❌ Method 1 FAIL: NSKeyedUnarchiver error",
        "Attempting Method 2: Legacy NSKeyedUnarchiver",
        "❌ Method 2 FAIL: Legacy unarchiver error",
        "Attempting Method 3: StreamTyped/PropertyList decoding",
        "❌ Method 3 FAIL: StreamTyped decoding returned nil",
        "Attempting Method 4: String scanning",
        "UTF-8 failed, trying lossy ASCII",
        "String conversion succeeded, searching for NSString marker",
        "Found NSString marker, extracting text",
        "After NSString skip",
        "Found NSDictionary marker, extracted text",
        "✅ Method 4 SUCCESS: String scanning worked",
    };
    EXPECT_EQ(test::debugLogMessages("PARSING"), expected);
    const auto entries = test::debugLogEntries();
    EXPECT_NE(entries.back().data.find("\"text_length\": 52"), std::string::npos)
        << entries.back().data;
}

TEST_F(AttributedBodyTextTest, LongBodiesWithTwoByteLengths) {
    const auto text = extractTextFromAttributedBody(readBlob("longmessage.bin"));
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->starts_with("Sed nibh velit"));
    EXPECT_TRUE(text->ends_with("cursus sem nec accumsan."));
}

TEST_F(AttributedBodyTextTest, AbsentBodyGivesNothingAndLogsNothing) {
    EXPECT_FALSE(extractTextFromAttributedBody(std::nullopt));
    EXPECT_TRUE(test::debugLogMessages("PARSING").empty());
}

// Whatever the bytes, extraction ends without a crash: every prefix of a real body, the
// archives of other classes, and bodies whose stored length runs past the end.
TEST_F(AttributedBodyTextTest, MalformedBodiesNeverCrash) {
    AppStateManager::shared().setDebugLoggingEnabled(false);  // thousands of attempts
    for (const auto* name : {"code.bin", "longmessage.bin", "weirdtext.bin"}) {
        const auto blob = readBlob(name);
        for (std::size_t length = 0; length <= blob.size(); ++length) {
            (void)extractTextFromAttributedBody(Bytes(blob.begin(), blob.begin() + length));
        }
    }
    EXPECT_FALSE(extractTextFromAttributedBody(readBlob("not-message-bodies/nsdata.bin")));
    EXPECT_EQ(extractTextFromAttributedBody(readBlob("not-message-bodies/nsstring.bin")),
              "Hello, world");
}

TEST_F(AttributedBodyTextTest, TruncatedStoredStringFallsBackToTheScan) {
    auto blob = readBlob("code.bin");
    const auto at = std::string(blob.begin(), blob.end()).find("NSString") + 8 + 5;
    blob[at] = 0x7F;  // a length that runs past the end of the body
    const auto text = extractTextFromAttributedBody(blob);
    ASSERT_TRUE(text);
    // The fixed-distance cut of the scan, not the stored text.
    EXPECT_NE(*text, "000123 is your security code. Don't share your code.");
    EXPECT_TRUE(contains(test::debugLogMessages(), "✅ Method 4 SUCCESS: String scanning worked"));
}

TEST_F(AttributedBodyTextTest, KeyedArchiveOfAnAttributedStringIsMethodOne) {
    for (const auto& blob : {ArchiveBuilder().object(kAttributedChain, "Code 482913").binary(),
                             ArchiveBuilder().object(kAttributedChain, "Code 482913").xml()}) {
        test::startDebugLog();
        EXPECT_EQ(extractTextFromAttributedBody(blob), "Code 482913");
        const auto messages = test::debugLogMessages("PARSING");
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_EQ(messages[1], "✅ Method 1 SUCCESS: NSAttributedString unarchived");
    }
}

TEST_F(AttributedBodyTextTest, EmptyAttributedStringStopsAtMethodOne) {
    const auto blob = ArchiveBuilder().object(kAttributedChain, std::string()).binary();
    EXPECT_FALSE(extractTextFromAttributedBody(blob));
    const auto messages = test::debugLogMessages("PARSING");
    EXPECT_TRUE(contains(messages, "✅ Method 1 SUCCESS: NSAttributedString unarchived"));
    EXPECT_FALSE(contains(messages, "Attempting Method 2: Legacy NSKeyedUnarchiver"));
}

TEST_F(AttributedBodyTextTest, ArchiveOfAnotherClassFailsBothUnarchivers) {
    const auto blob = ArchiveBuilder().object({"NSURL", "NSObject"}, "not a body").binary();
    (void)extractTextFromAttributedBody(blob);
    const auto messages = test::debugLogMessages("PARSING");
    EXPECT_TRUE(contains(messages, "❌ Method 1 FAIL: NSKeyedUnarchiver error"));
    EXPECT_TRUE(contains(messages, "❌ Method 2 FAIL: Object is not NSAttributedString"));
    EXPECT_TRUE(contains(messages, "Attempting Method 3: StreamTyped/PropertyList decoding"));
}

TEST_F(AttributedBodyTextTest, PropertyListsAreMethodThree) {
    EXPECT_EQ(extractTextFromAttributedBody(binaryPlist(plist_new_string("Code 1234"))),
              "Code 1234");
    EXPECT_TRUE(contains(test::debugLogMessages(), "✅ Method 3 SUCCESS: StreamTyped data decoded"));

    plist_t dict = plist_new_dict();
    plist_dict_set_item(dict, "string", plist_new_string("fallback"));
    plist_dict_set_item(dict, "NSString", plist_new_string("preferred"));
    EXPECT_EQ(extractTextFromAttributedBody(binaryPlist(dict)), "preferred");

    dict = plist_new_dict();
    plist_dict_set_item(dict, "string", plist_new_string("second choice"));
    EXPECT_EQ(extractTextFromAttributedBody(binaryPlist(dict)), "second choice");

    // An empty root string is a result: the reader drops it later as too short.
    EXPECT_EQ(extractTextFromAttributedBody(binaryPlist(plist_new_string(""))), "");

    dict = plist_new_dict();
    plist_dict_set_item(dict, "NSString", plist_new_uint(5));
    EXPECT_EQ(decodePropertyListText(binaryPlist(dict)), std::nullopt);
}

TEST_F(AttributedBodyTextTest, ScanCutsBetweenTheMarkers) {
    const auto blob =
        bytesOf("\x04junkNSString12345678  Your code is 482913 \n0123456789NSDictionary");
    EXPECT_EQ(extractTextFromAttributedBody(blob), "Your code is 482913");

    // "NSDictionary" within ten characters of the skip: everything before it.
    EXPECT_EQ(extractTextFromAttributedBody(bytesOf("NSString12345678abcNSDictionary")), "abc");

    // Characters, not bytes: a two-byte character counts once in the skip.
    EXPECT_EQ(extractTextFromAttributedBody(bytesOf("NSString\xC3\xA9"
                                                    "1234567Hi there0123456789NSDictionary")),
              "Hi there");
}

TEST_F(AttributedBodyTextTest, ScanFailures) {
    EXPECT_FALSE(extractTextFromAttributedBody(bytesOf("no marker in here")));
    EXPECT_TRUE(contains(test::debugLogMessages(), "❌ Method 4 FAIL: No NSString marker found"));

    test::startDebugLog();
    EXPECT_FALSE(extractTextFromAttributedBody(bytesOf("xxNSString1234")));
    const auto messages = test::debugLogMessages();
    EXPECT_TRUE(contains(messages, "No NSDictionary marker found, using all remaining text"));
    EXPECT_TRUE(contains(messages, "❌ Method 4 FAIL: Cleaned text is empty after trimming"));
}

// What nabbit-simulate writes is read back exactly, for short, long and very long texts.
TEST_F(AttributedBodyTextTest, SimulatedBodiesRoundTrip) {
    for (const std::string& text :
         {std::string("Your code is 482913"), std::string(200, 'a') + " 482913",
          std::string(70000, 'b') + " code 1234", std::string("验证码：482913，5分钟内有效")}) {
        EXPECT_EQ(extractTextFromAttributedBody(simulate::encodeAttributedBody(text)), text);
    }
}

}  // namespace
}  // namespace nabbit
