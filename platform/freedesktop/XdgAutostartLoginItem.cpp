#include "platform/freedesktop/XdgAutostartLoginItem.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

#include <QByteArray>
#include <QSaveFile>
#include <QString>

#include "core/Paths.h"
#include "core/SystemLog.h"

namespace nabbit {

namespace {

// Characters that make an Exec argument need quotes.
constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";

bool isValidUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUtf8() ==
           QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::string fromEnvironment(const char* name) {
    const QByteArray value = qgetenv(name);
    return std::string(value.constData(), static_cast<std::size_t>(value.size()));
}

}  // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem(std::string program) : program_(std::move(program)) {
    // Set by the AppImage runtime to the AppImage's own file.
    const std::string appImage = fromEnvironment("APPIMAGE");
    if (!appImage.empty() && appImage.front() == '/') {
        program_ = appImage;
    }
}

Expected<std::string, std::string> XdgAutostartLoginItem::execValue(const std::string& program) {
    if (program.empty()) {
        return Unexpected<std::string>{"the program has no path"};
    }
    const bool control = std::any_of(program.begin(), program.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
    if (control) {
        return Unexpected<std::string>{
            "the program's path holds a line break or control character"};
    }
    if (!isValidUtf8(program)) {
        return Unexpected<std::string>{"the program's path is not UTF-8"};
    }
    // An argument with a reserved character is quoted, with ", `, $ and \ escaped inside.
    const bool quoted = program.find_first_of(kReserved) != std::string::npos;
    std::string argument = quoted ? "\"" : "";
    for (const char c : program) {
        if (quoted && (c == '"' || c == '`' || c == '$' || c == '\\')) {
            argument += '\\';
        }
        argument += c;
        if (c == '%') {
            argument += '%';  // a literal percent sign, not a field code
        }
    }
    if (quoted) {
        argument += '"';
    }
    // The key's value is a string, whose own escapes come first: a backslash is doubled once
    // more.
    std::string value;
    for (const char c : argument) {
        value += c;
        if (c == '\\') {
            value += '\\';
        }
    }
    return value;
}

Expected<std::string, std::string> XdgAutostartLoginItem::desktopEntry(const std::string& program) {
    auto exec = execValue(program);
    if (!exec) {
        return Unexpected<std::string>{exec.error()};
    }
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Nabbit\n"
           "Comment=Copies verification codes from your messages to the clipboard\n"
           "Exec=" +
           *exec +
           "\n"
           "Icon=nabbit\n"
           "Terminal=false\n"
           "Categories=Utility;\n"
           "X-GNOME-Autostart-enabled=true\n";
}

void XdgAutostartLoginItem::setEnabled(bool enabled) {
    const auto entry = paths::autostartEntry();
    std::error_code ec;
    if (!enabled) {
        std::filesystem::remove(entry, ec);
        if (ec) {
            systemLog("[Nabbit] Could not remove the login item " + entry.string() + ": " +
                      ec.message());
        }
        return;
    }
    const auto text = desktopEntry(program_);
    if (!text) {
        systemLog("[Nabbit] Could not write the login item " + entry.string() + ": " +
                  text.error());
        return;
    }
    std::filesystem::create_directories(entry.parent_path(), ec);
    QSaveFile file(QString::fromStdString(entry.string()));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text->data(), static_cast<qint64>(text->size())) !=
            static_cast<qint64>(text->size()) ||
        !file.commit()) {
        systemLog("[Nabbit] Could not write the login item " + entry.string() + ": " +
                  file.errorString().toStdString());
    }
}

bool XdgAutostartLoginItem::isEnabled() const {
    std::error_code ec;
    return std::filesystem::is_regular_file(paths::autostartEntry(), ec);
}

}  // namespace nabbit
