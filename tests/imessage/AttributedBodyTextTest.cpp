#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <plist/plist.h>
#include <nlohmann/json.hpp>

#include "FixtureDatabases.h"
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

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \n\t\r");
    return first == std::string::npos
               ? ""
               : text.substr(first, text.find_last_not_of(" \n\t\r") - first + 1);
}

// A property list given as XML, in the binary form.
Bytes binaryPlist(const std::string& xml) {
    plist_t root = nullptr;
    plist_from_xml(xml.c_str(), static_cast<uint32_t>(xml.size()), &root);
    char* data = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &data, &length);
    Bytes out(data, data + length);
    plist_to_bin_free(data);
    plist_free(root);
    return out;
}

std::string xmlPlist(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\">" + body + "</plist>";
}

// A keyed archive of an attributed string holding `text`, as the archiving platform writes it
// (in XML).
std::string keyedArchive(const std::string& text) {
    auto uid = [](int n) {
        return "<dict><key>CF$UID</key><integer>" + std::to_string(n) + "</integer></dict>";
    };
    return xmlPlist(
        "<dict><key>$archiver</key><string>NSKeyedArchiver</string><key>$version</key>"
        "<integer>100000</integer><key>$top</key><dict><key>root</key>" +
        uid(1) + "</dict><key>$objects</key><array><string>$null</string><dict><key>$class</key>" +
        uid(3) + "<key>NSString</key>" + uid(2) + "</dict><string>" + text +
        "</string><dict><key>$classname</key><string>NSMutableAttributedString</string>"
        "<key>$classes</key><array><string>NSMutableAttributedString</string>"
        "<string>NSAttributedString</string><string>NSObject</string></array></dict>"
        "</array></dict>");
}

// Every real body gives the text archived in it, trimmed, or nothing when that is empty; the
// message text is read where the archive stores it, not cut at fixed distances.
TEST(AttributedBodyTextTest, RealAndSimulatedBodiesGiveTheirArchivedText) {
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

    // What nabbit-simulate writes is read back exactly, for short, long and very long texts.
    for (const std::string& text :
         {std::string("Your code is 482913"), std::string(200, 'a') + " 482913",
          std::string(70000, 'b') + " code 1234", std::string("验证码：482913，5分钟内有效")}) {
        EXPECT_EQ(extractTextFromAttributedBody(simulate::encodeAttributedBody(text)), text);
    }
}

// Whatever the bytes, extraction ends without a crash: every prefix of a real body (most of
// them with a stored length that runs past their end) and the archives of other classes.
TEST(AttributedBodyTextTest, MalformedBodiesNeverCrash) {
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

// Each kind of body, and what it gives: keyed archives of an attributed string, property lists,
// and the scan between the markers (which reads the typedstream bodies the database holds).
TEST(AttributedBodyTextTest, EachKindOfBodyIsReadByItsMethod) {
    struct Case {
        const char* name;
        std::optional<Bytes> body;
        std::optional<std::string> text;
    };
    const std::vector<Case> cases = {
        {"absent", std::nullopt, std::nullopt},
        {"archive", binaryPlist(keyedArchive("Code 482913")), "Code 482913"},
        {"xml archive", bytesOf(keyedArchive("Code 482913")), "Code 482913"},
        {"empty archive", binaryPlist(keyedArchive("")), std::nullopt},
        {"string plist", binaryPlist(xmlPlist("<string>Code 1234</string>")), "Code 1234"},
        {"dictionary plist",
         binaryPlist(xmlPlist("<dict><key>string</key><string>x</string><key>NSString</key>"
                              "<string>yes</string></dict>")),
         "yes"},
        {"scan", bytesOf("\x04junkNSString12345678  Your code is 482913 \n0123456789NSDictionary"),
         "Your code is 482913"},
        // Characters, not bytes: a two-byte character counts once in the skip.
        {"characters",
         bytesOf("NSString\xC3\xA9"
                 "1234567Hi there0123456789NSDictionary"),
         "Hi there"},
        {"no marker", bytesOf("no marker in here"), std::nullopt},
        {"nothing left", bytesOf("xxNSString1234"), std::nullopt},
    };
    for (const auto& [name, body, text] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(extractTextFromAttributedBody(body), text);
    }
}

}  // namespace
}  // namespace nabbit
