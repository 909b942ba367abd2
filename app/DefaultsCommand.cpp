#include "app/DefaultsCommand.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>
#include <optional>
#include <ostream>
#include <utility>

#include "core/PreferenceKeys.h"

namespace nabbit {

namespace {

constexpr std::string_view usageText =
    "usage: nabbit defaults read [KEY]\n"
    "       nabbit defaults write KEY -bool true|false\n"
    "       nabbit defaults write KEY -int NUMBER\n"
    "       nabbit defaults write KEY -string TEXT\n"
    "       nabbit defaults write KEY -array [TEXT...]\n"
    "       nabbit defaults delete KEY\n"
    "KEY is the whole key, e.g. com.nabbit.app.restoreContentsDelayTime\n";

bool isKeyCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '.' || c == '-';
}

// A Nabbit key is the prefix followed by a name; QSettings would read '/' and other
// punctuation as groups or escapes, so only plain name characters are allowed.
bool refuseKey(const std::string& key, std::ostream& err) {
    const bool nabbitKey = key.size() > keys::prefix.size() && key.starts_with(keys::prefix) &&
                           std::all_of(key.begin(), key.end(), isKeyCharacter);
    if (!nabbitKey) {
        err << "nabbit defaults: refusing key '" << key << "': Nabbit keys are \"" << keys::prefix
            << "\" followed by a name\n";
    }
    return !nabbitKey;
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::optional<bool> parseBool(const std::string& text) {
    const std::string word = lower(text);
    if (word == "true" || word == "yes" || word == "1") {
        return true;
    }
    if (word == "false" || word == "no" || word == "0") {
        return false;
    }
    return std::nullopt;
}

// Preferences hold 32-bit integers.
std::optional<int> parseInt(const std::string& text) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
        if (!digits.empty() && digits.front() == '-') {
            return std::nullopt;
        }
    }
    int number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return number;
}

// Old-style property list text, as the macOS tool prints: plain words bare, anything else in
// double quotes with backslash escapes.
std::string plistText(const std::string& text) {
    const bool bare = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '.' ||
               c == '-' || c == '/' || c == ':' || c == '$';
    });
    if (bare) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '\n') {
            quoted += "\\n";
        } else if (c == '\t') {
            quoted += "\\t";
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

const char* typeName(PreferenceType type) {
    switch (type) {
        case PreferenceType::boolean:
            return "a boolean: use -bool";
        case PreferenceType::integer:
            return "an integer: use -int";
        case PreferenceType::stringList:
            return "a list: use -array";
        case PreferenceType::removedOnly:
            return "only ever removed: use delete";
    }
    return "";
}

}  // namespace

DefaultsCommand::DefaultsCommand(PreferencesStore store) : store_(std::move(store)) {}

std::string_view DefaultsCommand::usage() {
    return usageText;
}

int DefaultsCommand::run(const std::vector<std::string>& arguments, std::ostream& out,
                         std::ostream& err) const {
    if (arguments.empty()) {
        err << usageText;
        return refused;
    }
    const std::string& verb = arguments.front();
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (verb == "read") {
        return read(rest, out, err);
    }
    if (verb == "write") {
        return write(rest, err);
    }
    if (verb == "delete") {
        return remove(rest, err);
    }
    if (verb == "--help" || verb == "-h" || verb == "help") {
        out << usageText;
        return done;
    }
    err << "nabbit defaults: unknown verb '" << verb << "'\n" << usageText;
    return refused;
}

int DefaultsCommand::read(const std::vector<std::string>& arguments, std::ostream& out,
                          std::ostream& err) const {
    if (arguments.size() > 1) {
        err << usageText;
        return refused;
    }
    if (arguments.empty()) {
        out << "{\n";
        for (const auto& [key, value] : store_.allValues()) {
            out << "    " << plistText(key) << " = " << plistText(value) << ";\n";
        }
        out << "}\n";
        return done;
    }
    const std::string& key = arguments.front();
    if (refuseKey(key, err)) {
        return refused;
    }
    const auto value = store_.value(key);
    if (!value) {
        err << "nabbit defaults: the key " << key << " does not exist\n";
        return failed;
    }
    out << *value << "\n";
    return done;
}

int DefaultsCommand::write(const std::vector<std::string>& arguments, std::ostream& err) const {
    const bool array = arguments.size() >= 2 && arguments[1] == "-array";
    if (arguments.size() != 3 && !array) {
        err << usageText;
        return refused;
    }
    const std::string& key = arguments[0];
    const std::string& flag = arguments[1];
    const std::string text = array ? std::string() : arguments[2];
    if (refuseKey(key, err)) {
        return refused;
    }

    std::optional<PreferenceType> type;
    if (flag == "-bool" || flag == "-boolean") {
        type = PreferenceType::boolean;
    } else if (flag == "-int" || flag == "-integer") {
        type = PreferenceType::integer;
    } else if (array) {
        type = PreferenceType::stringList;
    } else if (flag != "-string") {
        err << "nabbit defaults: unknown type flag '" << flag
            << "' (use -bool, -int, -string or -array)\n";
        return refused;
    }

    const auto known = findPreferenceKey(key);
    if (known && (!type || *type != known->type)) {
        err << "nabbit defaults: refusing to write " << key << ": it is " << typeName(known->type)
            << "\n";
        return refused;
    }

    bool written = false;
    if (type == PreferenceType::boolean) {
        const auto value = parseBool(text);
        if (!value) {
            err << "nabbit defaults: -bool takes true or false, not '" << text << "'\n";
            return refused;
        }
        written = store_.setBool(key, *value);
    } else if (type == PreferenceType::integer) {
        const auto value = parseInt(text);
        if (!value) {
            err << "nabbit defaults: -int takes a whole number between "
                << std::numeric_limits<int>::min() << " and " << std::numeric_limits<int>::max()
                << ", not '" << text << "'\n";
            return refused;
        }
        written = store_.setInteger(key, *value);
    } else if (type == PreferenceType::stringList) {
        written = store_.setStringList(key, {arguments.begin() + 2, arguments.end()});
    } else {
        written = store_.setString(key, text);
    }
    if (!written) {
        err << "nabbit defaults: could not write " << store_.file().string() << "\n";
        return failed;
    }
    if (!known) {
        err << "nabbit defaults: note: " << key << " is not a key Nabbit reads\n";
    }
    return done;
}

int DefaultsCommand::remove(const std::vector<std::string>& arguments, std::ostream& err) const {
    if (arguments.size() != 1) {
        err << usageText;
        return refused;
    }
    const std::string& key = arguments.front();
    if (refuseKey(key, err)) {
        return refused;
    }
    if (!store_.value(key)) {
        err << "nabbit defaults: the key " << key << " does not exist\n";
        return failed;
    }
    if (!store_.remove(key)) {
        err << "nabbit defaults: could not write " << store_.file().string() << "\n";
        return failed;
    }
    return done;
}

}  // namespace nabbit
