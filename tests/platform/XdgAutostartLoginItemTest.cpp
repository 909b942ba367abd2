#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "TestHome.h"
#include "core/Paths.h"
#include "platform/freedesktop/XdgAutostartLoginItem.h"

namespace nabbit {
namespace {

// Exec values as the Desktop Entry rules want them: arguments with reserved characters in
// double quotes with ", `, $ and \ escaped, % always doubled, and the string escape of the
// backslash on top. Paths no entry can hold are refused.
TEST(XdgAutostartLoginItemTest, ExecValuesAreQuotedAndEscaped) {
    struct Case {
        std::string program;
        std::string exec;  // empty: refused
    };
    const Case cases[] = {
        {"/usr/bin/nabbit", "/usr/bin/nabbit"},
        {"/home/ann/My Apps/nabbit", R"("/home/ann/My Apps/nabbit")"},
        {"/home/ann/100%/nabbit", "/home/ann/100%%/nabbit"},
        {R"(/tmp/say "hi"/nabbit)", R"("/tmp/say \\"hi\\"/nabbit")"},
        {R"(/tmp/back\slash/nabbit)", R"("/tmp/back\\\\slash/nabbit")"},
        {"/tmp/a&b;c|d<e>f~g*h?i#j(k)l/nabbit", R"("/tmp/a&b;c|d<e>f~g*h?i#j(k)l/nabbit")"},
        {"/tmp/caf\xC3\xA9/nabbit", "/tmp/caf\xC3\xA9/nabbit"},
        {"/tmp/line\nbreak/nabbit", ""},
        {"/tmp/bad\xFF/nabbit", ""},
        {"", ""},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.program);
        const auto exec = XdgAutostartLoginItem::execValue(each.program);
        if (each.exec.empty()) {
            EXPECT_FALSE(exec);
        } else {
            ASSERT_TRUE(exec) << exec.error();
            EXPECT_EQ(*exec, each.exec);
        }
    }
}

// The entry starts the AppImage rather than the program inside its mount; a path that cannot
// be written is refused and leaves no entry.
TEST(XdgAutostartLoginItemTest, TheEntryStartsTheAppImageAndABadPathWritesNothing) {
    const auto entry = paths::autostartEntry();
    struct Case {
        const char* appImage;  // null: not inside an AppImage
        std::string program;
        std::string exec;  // empty: no entry
    };
    const Case cases[] = {
        {nullptr, "/usr/bin/nabbit", "/usr/bin/nabbit"},
        {"/home/ann/Apps/Nabbit.AppImage", "/tmp/.mount_NabbitX/usr/bin/nabbit",
         "/home/ann/Apps/Nabbit.AppImage"},
        {"relative/Nabbit.AppImage", "/usr/bin/nabbit", "/usr/bin/nabbit"},
        {nullptr, "/tmp/line\nbreak/nabbit", ""},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.program);
        std::filesystem::remove(entry);
        if (each.appImage != nullptr) {
            ::setenv("APPIMAGE", each.appImage, 1);
        } else {
            ::unsetenv("APPIMAGE");
        }
        XdgAutostartLoginItem item(each.program);
        ::unsetenv("APPIMAGE");
        item.setEnabled(true);
        EXPECT_EQ(item.isEnabled(), !each.exec.empty());
        if (!each.exec.empty()) {
            const auto text = test::readFile(entry);
            EXPECT_NE(text.find("\nExec=" + each.exec + "\n"), std::string::npos) << text;
        }
        item.setEnabled(false);
        EXPECT_FALSE(item.isEnabled());
    }
}

}  // namespace
}  // namespace nabbit
