#include "platform/freedesktop/XdgAutostartLoginItem.h"

#include <filesystem>

#include <QSaveFile>
#include <QString>

#include "core/Paths.h"
#include "core/SystemLog.h"

namespace nabbit {

namespace {

// Exec keys quote arguments that hold reserved characters, escaping ", `, $ and \ inside.
std::string execArgument(const std::string& path) {
    if (path.find_first_of(" \t\n\"'\\><~|&;$*?#()`") == std::string::npos) {
        return path;
    }
    std::string quoted = "\"";
    for (const char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem(std::string program) : program_(std::move(program)) {}

std::string XdgAutostartLoginItem::desktopEntry(const std::string& program) {
    // In a desktop file a backslash is itself escaped once more.
    std::string exec;
    for (const char c : execArgument(program)) {
        exec += c;
        if (c == '\\') {
            exec += '\\';
        }
    }
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Nabbit\n"
           "Comment=Copies verification codes from your messages to the clipboard\n"
           "Exec=" +
           exec +
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
    std::filesystem::create_directories(entry.parent_path(), ec);
    QSaveFile file(QString::fromStdString(entry.string()));
    const auto text = desktopEntry(program_);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
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
