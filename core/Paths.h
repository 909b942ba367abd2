#pragma once

#include <filesystem>
#include <optional>

// Where Nabbit's files live. Every path is computed from $HOME and the XDG variables at the
// moment of the call, so a changed environment (a test home) takes effect at once.
namespace nabbit::paths {

// $HOME, or the password database's home directory when HOME is unset or empty.
std::filesystem::path home();

// $XDG_CONFIG_HOME when set to an absolute path, else $HOME/.config.
std::filesystem::path configHome();

// $XDG_DATA_HOME when set to an absolute path, else $HOME/.local/share.
std::filesystem::path dataHome();

// $XDG_STATE_HOME when set to an absolute path, else $HOME/.local/state.
std::filesystem::path stateHome();

// Where the running instance keeps its lock and socket: $XDG_RUNTIME_DIR/nabbit when the
// runtime folder is set, else <config home>/nabbit.
std::filesystem::path instanceDirectory();

// <config home>/autostart/nabbit.desktop, the login item.
std::filesystem::path autostartEntry();

// <state home>/nabbit/windows.conf: where windows remember their size and place.
std::filesystem::path windowStateFile();

// $HOME/Library/Messages
std::filesystem::path messagesDirectory();

// $HOME/Library/Messages/chat.db
std::filesystem::path messagesDatabase();

// $HOME/Library/Messages/chat.db-wal
std::filesystem::path messagesDatabaseWal();

// $HOME/Library/Mail (holds V<n>/MailData/Envelope Index)
std::filesystem::path mailDirectory();

// <config home>/nabbit/nabbit.conf
std::filesystem::path preferencesFile();

// The user's Documents folder (XDG user dirs, else $HOME/Documents); absent when the
// platform names none.
std::optional<std::filesystem::path> documentsDirectory();

}  // namespace nabbit::paths
