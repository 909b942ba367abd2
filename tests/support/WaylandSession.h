#pragma once

#include <sys/types.h>

#include <filesystem>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include "MutterRemoteDesktop.h"
#include "StatusNotifierWatcherStandIn.h"
#include "TestHome.h"

namespace nabbit::test {

// The Wayland compositors of this Debian release that the tests run against.
enum class Compositor { sway, kwin, mutter };
const char* nameOf(Compositor compositor);

// A real headless Wayland desktop session with Xwayland: the compositor, a private session
// bus, its own XDG_RUNTIME_DIR and a scratch HOME, ready when start() returns. As root,
// everything runs as an ordinary user (sway refuses root), created when missing. Stopping
// ends, by PID, every process the session started or that carries its mark in its
// environment (Xwayland, a wl-copy serving its selection, ...).
class WaylandSession {
  public:
    struct Options {
        // KWin: programs granted org_kde_kwin_fake_input through a desktop file.
        std::vector<std::filesystem::path> fakeInputClients;
        // KWin and mutter: a stand-in tray (their panel's) on the session's bus, so that Nabbit
        // does not open its window instead; sway's bar hosts the tray anyway.
        bool tray = false;
    };

    // Starts a session, or returns nothing and says why in `why`.
    static std::unique_ptr<WaylandSession> start(Compositor compositor, std::string& why,
                                                 const Options& options);
    static std::unique_ptr<WaylandSession> start(Compositor compositor, std::string& why) {
        return start(compositor, why, Options{});
    }
    ~WaylandSession();
    WaylandSession(const WaylandSession&) = delete;
    WaylandSession& operator=(const WaylandSession&) = delete;

    const std::filesystem::path& home() const { return home_; }
    // The compositor's socket as an absolute path: it works from any XDG_RUNTIME_DIR.
    QString waylandSocket() const;
    // The session's own bus (the delivery benchmark talks to it).
    const QString& busAddress() const { return busAddress_; }
    pid_t compositorPid() const { return compositorPid_; }

    // The environment of a client of this session: the displays, the bus, the runtime
    // folder, the scratch home and the desktop's names.
    QProcessEnvironment environment() const;

    // Makes `process` run `program` as a client of the session, as the session's user (the
    // delivery benchmark starts its messages so).
    void prepare(QProcess& process, const QString& program, const QStringList& arguments,
                 const QProcessEnvironment& environment) const;
    void prepare(QProcess& process, const QString& program, const QStringList& arguments) const {
        prepare(process, program, arguments, environment());
    }

    // Runs a client to its end, or stops it at the deadline (finished is then false).
    struct Output {
        bool finished = false;
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };
    Output run(const QString& program, const QStringList& arguments, int timeoutMs = 5000,
               const QByteArray& input = {}) const;

    // Starts a client that runs in the background until the session stops (or until the
    // caller stops it).
    QProcess& startClient(const QString& program, const QStringList& arguments,
                          const QProcessEnvironment& environment);
    QProcess& startClient(const QString& program, const QStringList& arguments) {
        return startClient(program, arguments, environment());
    }

    // The clipboard as Wayland applications see it. On sway and KWin through data-control
    // (wl-paste, which needs neither focus nor a window); on mutter through its
    // RemoteDesktop API, which needs no focus either. Always with a deadline: an owner that
    // never answers must not hang the test. Nothing when the clipboard has no text.
    std::optional<std::string> clipboardText(int timeoutMs = 2000) const;
    // The clipboard's data in one type, byte for byte (sway and KWin).
    std::optional<std::string> clipboardData(const std::string& mimeType,
                                             int timeoutMs = 2000) const;
    // The types the clipboard offers (sway and KWin).
    std::vector<std::string> clipboardTypes(int timeoutMs = 2000) const;
    // Copies as another Wayland program would (wl-copy).
    bool copy(const std::string& data, const std::string& mimeType = {});

    // The session's running processes of this name (as /proc/PID/comm gives it).
    std::vector<pid_t> processes(const std::string& name) const;

    // A copy of a file or folder (of the build or the source tree, which the session's user
    // may be unable to reach, e.g. in a clone under a private temporary folder) inside the
    // session's folder, at `relative`, for the session's user. Returns its path. Without
    // another user, the original serves.
    std::filesystem::path stage(const std::filesystem::path& source,
                                const std::filesystem::path& relative) const;

    // Hands files the test made to the session's user (recursively).
    void giveToUser(const std::filesystem::path& path) const;

  private:
    explicit WaylandSession(Compositor compositor);
    bool startBus(std::string& why);
    bool startSway(std::string& why);
    bool startKWin(std::string& why, const Options& options);
    bool startMutter(std::string& why);
    bool waitForSocket(const QString& name, std::string& why);
    bool waitForXwayland(std::string& why);
    QProcessEnvironment baseEnvironment() const;
    void startCompositor(const QString& program, const QStringList& arguments,
                         const QProcessEnvironment& environment);
    void stop();
    // Mutter: a RemoteDesktop session on the session's bus (opened once, kept).
    MutterRemoteDesktop* mutterRemoteDesktop() const;

    Compositor compositor_;
    TempDir folder_;
    std::filesystem::path runtime_;
    std::filesystem::path home_;
    QString mark_;
    QString socketName_;
    QString display_;
    QString xauthority_;
    QString busAddress_;
    pid_t busPid_ = 0;
    pid_t compositorPid_ = 0;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    bool asOtherUser_ = false;
    std::list<std::unique_ptr<QProcess>> processes_;
    QString swaySocket_;
    // Mutter: opened on first use, for reading the clipboard.
    mutable std::unique_ptr<MutterRemoteDesktop> mutterRemoteDesktop_;
    bool mutterSeatHasKeyboard_ = false;
    std::unique_ptr<StatusNotifierWatcherStandIn> tray_;
};

// One session per compositor for a whole test program (starting one takes a second or more),
// started with `options` on first use. Nothing, and why, where the compositor cannot start
// here; that is remembered, not tried again.
WaylandSession* sharedSession(Compositor compositor, std::string& why,
                              const WaylandSession::Options& options = {});
// Stops the shared sessions, from a suite's TearDownTestSuite.
void stopSharedSessions();

}  // namespace nabbit::test
