#include "WaylandSession.h"

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <system_error>

#include <QTest>

namespace nabbit::test {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The ordinary user a root test runs the session as.
constexpr const char* kSessionUser = "nabbit-wltest";
constexpr const char* kMarkVariable = "NABBIT_WAYLAND_SESSION";
constexpr int kStartTimeoutMs = 30'000;
constexpr int kWidth = 1280;
constexpr int kHeight = 800;

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Polls `ready` every 50 ms until it holds or the deadline passes.
template <class Condition>
bool poll(Condition ready, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QTest::qWait(50);
    }
    return true;
}

bool alive(pid_t pid) {
    if (::kill(pid, 0) != 0) {
        return false;
    }
    const std::string stat = slurp("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

pid_t parentOf(pid_t pid) {
    const std::string stat = slurp("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    if (close == std::string::npos) {
        return 0;
    }
    std::istringstream rest(stat.substr(close + 2));
    std::string state;
    pid_t parent = 0;
    rest >> state >> parent;
    return parent;
}

std::vector<pid_t> allPids() {
    std::vector<pid_t> pids;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos) {
            pids.push_back(static_cast<pid_t>(std::stol(name)));
        }
    }
    return pids;
}

std::vector<std::string> nulSeparated(const std::string& text) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, '\0')) {
        parts.push_back(part);
    }
    return parts;
}

// The X displays whose lock file names `pid` (wlroots ends the pid with a NUL, not a line
// feed: only the digits count), lowest first.
std::vector<int> xDisplaysHeldBy(pid_t pid) {
    std::vector<int> displays;
    for (int display = 0; display < 64; ++display) {
        std::string lock = slurp("/tmp/.X" + std::to_string(display) + "-lock");
        std::erase_if(lock, [](char c) { return c < '0' || c > '9'; });
        if (!lock.empty() && std::stol(lock) == pid) {
            displays.push_back(display);
        }
    }
    return displays;
}

// The session's processes: those carrying its mark in their environment.
std::vector<pid_t> markedPids(const QString& sessionMark) {
    std::vector<pid_t> pids;
    const std::string mark = std::string(kMarkVariable) + "=" + sessionMark.toStdString();
    for (pid_t pid : allPids()) {
        if (pid == ::getpid() || !alive(pid)) {
            continue;
        }
        const auto variables = nulSeparated(slurp("/proc/" + std::to_string(pid) + "/environ"));
        if (std::find(variables.begin(), variables.end(), mark) != variables.end()) {
            pids.push_back(pid);
        }
    }
    return pids;
}

// The first file in `folder` whose name starts with `prefix` (and passes `accept`), or empty.
fs::path firstFileStartingWith(const fs::path& folder, const std::string& prefix,
                               const std::function<bool(const std::string&)>& accept = {}) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(prefix) && (!accept || accept(name))) {
            return entry.path();
        }
    }
    return {};
}

std::string randomMark() {
    std::random_device random;
    std::ostringstream mark;
    mark << std::hex << random() << random();
    return mark.str();
}

// The session's user when running as root: created, as a system user, when missing.
std::optional<std::pair<uid_t, gid_t>> sessionUser(std::string& why) {
    if (::getpwnam(kSessionUser) == nullptr) {
        QProcess useradd;
        useradd.start("useradd", {"--system", "--user-group", "--no-create-home", "--home-dir",
                                  "/nonexistent", "--shell", "/usr/sbin/nologin", kSessionUser});
        if (!useradd.waitForFinished(30'000) || useradd.exitCode() != 0) {
            why = "cannot create the user " + std::string(kSessionUser) + ": " +
                  useradd.readAllStandardError().toStdString();
            return std::nullopt;
        }
    }
    const passwd* user = ::getpwnam(kSessionUser);
    if (user == nullptr) {
        why = "no user " + std::string(kSessionUser);
        return std::nullopt;
    }
    return std::pair{user->pw_uid, user->pw_gid};
}

// A session bus any user may connect to: the session's clients run as its user, the test
// itself may be root.
constexpr const char* kBusConfig =
    R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <keep_umask/>
  <listen>unix:path=@SOCKET@</listen>
  <auth>EXTERNAL</auth>
  <standard_session_servicedirs/>
  <policy context="default">
    <allow user="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

}  // namespace

const char* nameOf(Compositor compositor) {
    switch (compositor) {
        case Compositor::sway:
            return "sway";
        case Compositor::kwin:
            return "KWin";
        case Compositor::mutter:
            return "mutter";
    }
    return "?";
}

WaylandSession::WaylandSession(Compositor compositor)
    : compositor_(compositor), mark_(QString::fromStdString(randomMark())) {}

std::unique_ptr<WaylandSession> WaylandSession::start(Compositor compositor, std::string& why,
                                                      const Options& options) {
    std::unique_ptr<WaylandSession> session(new WaylandSession(compositor));
    if (::geteuid() == 0) {
        const auto user = sessionUser(why);
        if (!user) {
            return nullptr;
        }
        session->asOtherUser_ = true;
        session->uid_ = user->first;
        session->gid_ = user->second;
        // wlroots makes this folder as the user running it when it is missing, and no
        // other user can then make an X socket there.
        fs::create_directories("/tmp/.X11-unix");
        ::chmod("/tmp/.X11-unix", 01777);
    } else {
        session->uid_ = ::geteuid();
        session->gid_ = ::getegid();
    }
    const fs::path& root = session->folder_.path();
    session->runtime_ = root / "run";
    session->home_ = root / "home";
    fs::create_directories(session->runtime_);
    for (const char* folder :
         {".config", ".local/share/applications", ".local/state", ".cache", "Documents"}) {
        fs::create_directories(session->home_ / folder);
    }
    fs::permissions(root, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(session->runtime_, fs::perms::owner_all);
    session->giveToUser(root);

    bool started = session->startBus(why);
    if (started) {
        switch (compositor) {
            case Compositor::sway:
                started = session->startSway(why);
                break;
            case Compositor::kwin:
                started = session->startKWin(why, options);
                break;
            case Compositor::mutter:
                started = session->startMutter(why);
                break;
        }
    }
    if (!started) {
        return nullptr;
    }
    if (options.tray && compositor != Compositor::sway) {
        session->tray_ = StatusNotifierWatcherStandIn::registerOn(session->busAddress_, why);
        if (!session->tray_) {
            return nullptr;
        }
    }
    // As a desktop session does at its start, so that services the bus starts see the
    // displays.
    const auto names =
        QStringList{"WAYLAND_DISPLAY", "DISPLAY", "XDG_CURRENT_DESKTOP", "XDG_SESSION_TYPE"} +
        (session->xauthority_.isEmpty() ? QStringList{} : QStringList{"XAUTHORITY"});
    session->run("dbus-update-activation-environment", names);
    return session;
}

WaylandSession::~WaylandSession() {
    stop();
}

QString WaylandSession::waylandSocket() const {
    return QString::fromStdString((runtime_ / socketName_.toStdString()).string());
}

QProcessEnvironment WaylandSession::baseEnvironment() const {
    QProcessEnvironment environment;
    for (const char* kept : {"PATH", "LANG", "LC_ALL", "TZ"}) {
        if (qEnvironmentVariableIsSet(kept)) {
            environment.insert(kept, qEnvironmentVariable(kept));
        }
    }
    const QString home = QString::fromStdString(home_.string());
    environment.insert(kMarkVariable, mark_);
    environment.insert("HOME", home);
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime_.string()));
    environment.insert("XDG_CONFIG_HOME", home + "/.config");
    environment.insert("XDG_DATA_HOME", home + "/.local/share");
    environment.insert("XDG_STATE_HOME", home + "/.local/state");
    environment.insert("XDG_CACHE_HOME", home + "/.cache");
    environment.insert("XDG_SESSION_TYPE", "wayland");
    environment.insert("GSETTINGS_BACKEND", "memory");
    environment.insert("NO_AT_BRIDGE", "1");
    if (!busAddress_.isEmpty()) {
        environment.insert("DBUS_SESSION_BUS_ADDRESS", busAddress_);
    }
    switch (compositor_) {
        case Compositor::sway:
            environment.insert("XDG_CURRENT_DESKTOP", "sway");
            break;
        case Compositor::kwin:
            environment.insert("XDG_CURRENT_DESKTOP", "KDE");
            environment.insert("KDE_FULL_SESSION", "true");
            environment.insert("KDE_SESSION_VERSION", "5");
            break;
        case Compositor::mutter:
            environment.insert("XDG_CURRENT_DESKTOP", "GNOME");
            break;
    }
    return environment;
}

QProcessEnvironment WaylandSession::environment() const {
    QProcessEnvironment environment = baseEnvironment();
    if (!swaySocket_.isEmpty()) {
        environment.insert("SWAYSOCK", swaySocket_);
    }
    environment.insert("WAYLAND_DISPLAY", socketName_);
    environment.insert("DISPLAY", display_);
    if (!xauthority_.isEmpty()) {
        environment.insert("XAUTHORITY", xauthority_);
    }
    return environment;
}

void WaylandSession::prepare(QProcess& process, const QString& program,
                             const QStringList& arguments,
                             const QProcessEnvironment& environment) const {
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(QString::fromStdString(home_.string()));
    if (asOtherUser_) {
        process.setProgram("setpriv");
        process.setArguments(QStringList{QStringLiteral("--reuid=%1").arg(uid_),
                                         QStringLiteral("--regid=%1").arg(gid_), "--init-groups",
                                         "--", program} +
                             arguments);
    } else {
        process.setProgram(program);
        process.setArguments(arguments);
    }
}

WaylandSession::Output WaylandSession::run(const QString& program, const QStringList& arguments,
                                           int timeoutMs, const QByteArray& input) const {
    QProcess process;
    prepare(process, program, arguments, environment());
    process.start();
    Output output;
    if (!process.waitForStarted(timeoutMs)) {
        return output;
    }
    if (!input.isNull()) {
        process.write(input);
    }
    process.closeWriteChannel();
    output.finished = poll([&] { return process.state() == QProcess::NotRunning; }, timeoutMs);
    if (!output.finished) {
        process.kill();
        process.waitForFinished(3000);
    }
    output.exitCode = process.exitCode();
    output.out = process.readAllStandardOutput();
    output.err = process.readAllStandardError();
    return output;
}

QProcess& WaylandSession::startClient(const QString& program, const QStringList& arguments,
                                      const QProcessEnvironment& environment) {
    auto process = std::make_unique<QProcess>();
    prepare(*process, program, arguments, environment);
    process->start();
    process->waitForStarted(5000);
    processes_.push_back(std::move(process));
    return *processes_.back();
}

void WaylandSession::startCompositor(const QString& program, const QStringList& arguments,
                                     const QProcessEnvironment& environment) {
    // setpriv replaces itself with the program: the pid is the compositor's.
    compositorPid_ = static_cast<pid_t>(startClient(program, arguments, environment).processId());
}

bool WaylandSession::startBus(std::string& why) {
    const fs::path config = folder_.path() / "bus.conf";
    std::string text = kBusConfig;
    text.replace(text.find("@SOCKET@"), 8, (runtime_ / "bus").string());
    writeFile(config, text);
    giveToUser(config);
    const Output output = run("dbus-daemon",
                              {"--config-file=" + QString::fromStdString(config.string()), "--fork",
                               "--print-address=1", "--print-pid=1"},
                              10'000);
    const auto lines = output.out.split('\n');
    if (!output.finished || output.exitCode != 0 || lines.size() < 2) {
        why = "the session bus did not start: " + output.err.toStdString();
        return false;
    }
    busAddress_ = QString::fromUtf8(lines[0].trimmed());
    busPid_ = static_cast<pid_t>(lines[1].trimmed().toLong());
    return true;
}

bool WaylandSession::waitForSocket(const QString& name, std::string& why) {
    const bool found = poll(
        [&] {
            if (!name.isEmpty()) {
                return fs::exists(runtime_ / name.toStdString());
            }
            // A compositor that picks its own name: the first wayland-N socket.
            const fs::path socket = firstFileStartingWith(runtime_, "wayland-", [](const auto& n) {
                return n.find('.') == std::string::npos;
            });
            socketName_ = QString::fromStdString(socket.filename().string());
            return !socket.empty();
        },
        kStartTimeoutMs);
    if (!found || !alive(compositorPid_)) {
        why = std::string(nameOf(compositor_)) + " did not start: " +
              (processes_.empty() ? QByteArray()
                                  : processes_.front()->readAllStandardError().right(2000))
                  .toStdString();
        return false;
    }
    if (!name.isEmpty()) {
        socketName_ = name;
    }
    return true;
}

// The X display Xwayland serves for the compositor, and an X client that gets an answer on
// it (sway starts Xwayland only when the first X client connects).
bool WaylandSession::waitForXwayland(std::string& why) {
    const bool reserved = poll(
        [&] {
            if (compositor_ == Compositor::kwin) {
                // KWin: its Xwayland child names the display on its command line.
                for (pid_t pid : allPids()) {
                    if (parentOf(pid) != compositorPid_ ||
                        slurp("/proc/" + std::to_string(pid) + "/comm") != "Xwayland\n") {
                        continue;
                    }
                    for (const std::string& argument :
                         nulSeparated(slurp("/proc/" + std::to_string(pid) + "/cmdline"))) {
                        if (argument.size() > 1 && argument[0] == ':' &&
                            argument.find_first_not_of("0123456789", 1) == std::string::npos) {
                            display_ = QString::fromStdString(argument);
                            return true;
                        }
                    }
                }
                return false;
            }
            const auto displays = xDisplaysHeldBy(compositorPid_);
            if (displays.empty()) {
                return false;
            }
            display_ = QStringLiteral(":%1").arg(displays.front());
            return true;
        },
        kStartTimeoutMs);
    if (!reserved) {
        why = std::string(nameOf(compositor_)) + " started no Xwayland";
        return false;
    }
    const bool answers =
        poll([&] { return run("xset", {"q"}, 5000).exitCode == 0; }, kStartTimeoutMs);
    if (!answers) {
        why = "Xwayland on " + display_.toStdString() + " does not answer";
    }
    return answers;
}

bool WaylandSession::startSway(std::string& why) {
    const fs::path config = folder_.path() / "sway.conf";
    // A bar, so that swaybar hosts the tray (org.kde.StatusNotifierWatcher) as on a desktop.
    writeFile(config, "xwayland enable\noutput HEADLESS-1 resolution " + std::to_string(kWidth) +
                          "x" + std::to_string(kHeight) +
                          "\ndefault_border none\nfocus_follows_mouse no\n"
                          "bar {\n    tray_output *\n}\n");
    giveToUser(config);
    QProcessEnvironment environment = baseEnvironment();
    environment.insert("WLR_BACKENDS", "headless");
    environment.insert("WLR_LIBINPUT_NO_DEVICES", "1");
    environment.insert("WLR_RENDERER", "pixman");
    startCompositor("sway", {"-c", QString::fromStdString(config.string())}, environment);
    if (!waitForSocket({}, why) || !waitForXwayland(why)) {
        return false;
    }
    // Its IPC socket, and swaymsg getting an answer on it.
    const bool ipc = poll(
        [&] {
            swaySocket_ =
                QString::fromStdString(firstFileStartingWith(runtime_, "sway-ipc.").string());
            return !swaySocket_.isEmpty() && run("swaymsg", {"-t", "get_version"}).exitCode == 0;
        },
        kStartTimeoutMs);
    if (!ipc) {
        why = "sway's IPC does not answer";
    }
    return ipc;
}

bool WaylandSession::startKWin(std::string& why, const Options& options) {
    // /usr/bin/kwin_wayland carries a file capability that containers refuse to grant: a
    // copy carries none (KWin uses it only for realtime scheduling).
    const fs::path kwin = folder_.path() / "kwin_wayland";
    std::error_code ec;
    fs::copy_file("/usr/bin/kwin_wayland", kwin, ec);
    if (ec) {
        why = "no kwin_wayland to copy: " + ec.message();
        return false;
    }
    giveToUser(kwin);
    // KWin grants fake input to the program a desktop file names, found through the ksycoca
    // cache, which must be built before KWin starts.
    if (!options.fakeInputClients.empty()) {
        for (const fs::path& client : options.fakeInputClients) {
            const fs::path program = fs::weakly_canonical(client);
            writeFile(
                home_ / ".local/share/applications" / (program.filename().string() + ".desktop"),
                "[Desktop Entry]\nType=Application\nName=" + program.filename().string() +
                    "\nExec=" + program.string() +
                    "\nNoDisplay=true\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n");
        }
        giveToUser(home_);
        run("kbuildsycoca5", {"--noincremental"}, 30'000);
    }
    QProcessEnvironment environment = baseEnvironment();
    environment.insert("KWIN_COMPOSE", "Q");
    startCompositor(
        QString::fromStdString(kwin.string()),
        {"--virtual", "--width", QString::number(kWidth), "--height", QString::number(kHeight),
         "--xwayland", "--socket", "wayland-1", "--no-lockscreen", "--no-kactivities"},
        environment);
    return waitForSocket("wayland-1", why) && waitForXwayland(why);
}

bool WaylandSession::startMutter(std::string& why) {
    startCompositor(
        "mutter",
        {"--wayland", "--headless", "--virtual-monitor",
         QStringLiteral("%1x%2").arg(kWidth).arg(kHeight), "--wayland-display", "wayland-1"},
        baseEnvironment());
    if (!waitForSocket("wayland-1", why)) {
        return false;
    }
    // Mutter protects Xwayland with an Xauthority file; X clients need it.
    const bool authority = poll(
        [&] {
            xauthority_ = QString::fromStdString(
                firstFileStartingWith(runtime_, ".mutter-Xwaylandauth.").string());
            return !xauthority_.isEmpty();
        },
        kStartTimeoutMs);
    if (!authority) {
        why = "mutter wrote no Xauthority file";
        return false;
    }
    return waitForXwayland(why);
}

std::optional<std::string> WaylandSession::clipboardText(int timeoutMs) const {
    if (compositor_ == Compositor::mutter) {
        MutterRemoteDesktop* desktop = mutterRemoteDesktop();
        return desktop != nullptr ? desktop->readClipboard("text/plain;charset=utf-8", timeoutMs)
                                  : std::nullopt;
    }
    return clipboardData("text", timeoutMs);
}

std::optional<std::string> WaylandSession::clipboardData(const std::string& mimeType,
                                                         int timeoutMs) const {
    const Output output =
        run("wl-paste", {"--no-newline", "--type", QString::fromStdString(mimeType)}, timeoutMs);
    if (!output.finished || output.exitCode != 0) {
        return std::nullopt;
    }
    return output.out.toStdString();
}

MutterRemoteDesktop* WaylandSession::mutterRemoteDesktop() const {
    if (!mutterRemoteDesktop_) {
        std::string why;
        mutterRemoteDesktop_ = MutterRemoteDesktop::open(busAddress_, why);
    }
    return mutterRemoteDesktop_.get();
}

std::vector<std::string> WaylandSession::clipboardTypes(int timeoutMs) const {
    const Output output = run("wl-paste", {"--list-types"}, timeoutMs);
    std::vector<std::string> types;
    if (output.finished && output.exitCode == 0) {
        for (const QByteArray& line : output.out.split('\n')) {
            if (!line.isEmpty()) {
                types.push_back(line.toStdString());
            }
        }
    }
    return types;
}

bool WaylandSession::copy(const std::string& data, const std::string& mimeType) {
    QStringList arguments;
    if (!mimeType.empty()) {
        arguments << "--type" << QString::fromStdString(mimeType);
    }
    if (compositor_ == Compositor::mutter && !mutterSeatHasKeyboard_) {
        // Mutter's headless seat has no keyboard until one is used, and wl-copy needs one
        // there (it takes the focus for a moment). The first key of a new session may be
        // lost: press Shift twice.
        MutterRemoteDesktop* desktop = mutterRemoteDesktop();
        if (desktop == nullptr) {
            return false;
        }
        for (int round = 0; round < 2; ++round) {
            desktop->keysym(0xffe1, true);
            desktop->keysym(0xffe1, false);
        }
        mutterSeatHasKeyboard_ = true;
    }
    // wl-copy forks a server for the selection and returns; the server carries the
    // session's mark and ends with it.
    const Output output = run("wl-copy", arguments, 5000, QByteArray::fromStdString(data));
    return output.finished && output.exitCode == 0;
}

std::vector<pid_t> WaylandSession::processes(const std::string& name) const {
    std::vector<pid_t> named = markedPids(mark_);
    std::erase_if(named, [&](pid_t pid) {
        return slurp("/proc/" + std::to_string(pid) + "/comm") != name + "\n";
    });
    return named;
}

fs::path WaylandSession::stage(const fs::path& source, const fs::path& relative) const {
    if (!asOtherUser_) {
        return source;
    }
    const fs::path target = folder_.path() / "staged" / relative;
    std::error_code ec;
    if (!fs::exists(target, ec)) {
        fs::create_directories(target.parent_path(), ec);
        // A hard link where the file system allows one (large programs), else a copy.
        if (fs::is_directory(source, ec) || (fs::create_hard_link(source, target, ec), ec)) {
            fs::copy(source, target, fs::copy_options::recursive, ec);
        }
        // Readable as they were (the folders made here are 0755): not handed over, since a
        // hard link shares its owner with the original.
    }
    return target;
}

void WaylandSession::giveToUser(const fs::path& path) const {
    if (!asOtherUser_) {
        return;
    }
    [[maybe_unused]] const int self = ::lchown(path.c_str(), uid_, gid_);
    std::error_code ec;
    if (fs::is_directory(path, ec) && !fs::is_symlink(path, ec)) {
        for (const auto& entry : fs::recursive_directory_iterator(path, ec)) {
            [[maybe_unused]] const int result = ::lchown(entry.path().c_str(), uid_, gid_);
        }
    }
}

void WaylandSession::stop() {
    mutterRemoteDesktop_.reset();
    tray_.reset();
    const auto marked = [&] { return markedPids(mark_); };
    const auto displays =
        compositorPid_ != 0 ? xDisplaysHeldBy(compositorPid_) : std::vector<int>{};
    // Newest first: clients, the compositor, then the bus.
    for (auto process = processes_.rbegin(); process != processes_.rend(); ++process) {
        if ((*process)->state() != QProcess::NotRunning) {
            (*process)->terminate();
            if (!(*process)->waitForFinished(3000)) {
                (*process)->kill();
                (*process)->waitForFinished(3000);
            }
        }
    }
    processes_.clear();
    if (busPid_ > 0 && alive(busPid_)) {
        ::kill(busPid_, SIGTERM);
    }
    // What the compositor and the bus started (Xwayland, swaybar, portals, wl-copy's
    // server) mostly ends with them; the rest is ended here.
    poll([&] { return marked().empty(); }, 2000);
    for (int signal : {SIGTERM, SIGKILL}) {
        const auto left = marked();
        if (left.empty()) {
            break;
        }
        for (pid_t pid : left) {
            ::kill(pid, signal);
        }
        poll([&] { return marked().empty(); }, 2000);
    }
    // Mutter ended by a signal leaves its X lock files and sockets behind.
    for (int display : displays) {
        fs::remove("/tmp/.X" + std::to_string(display) + "-lock");
        fs::remove("/tmp/.X11-unix/X" + std::to_string(display));
    }
}

namespace {

struct Shared {
    std::unique_ptr<WaylandSession> session;
    std::string refusal;
};

std::map<Compositor, Shared>& shared() {
    static std::map<Compositor, Shared> sessions;
    return sessions;
}

}  // namespace

WaylandSession* sharedSession(Compositor compositor, std::string& why,
                              const WaylandSession::Options& options) {
    Shared& entry = shared()[compositor];
    if (!entry.session && entry.refusal.empty()) {
        entry.session = WaylandSession::start(compositor, entry.refusal, options);
    }
    why = entry.refusal;
    return entry.session.get();
}

void stopSharedSessions() {
    shared().clear();
}

}  // namespace nabbit::test
