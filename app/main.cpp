// The nabbit program. Without arguments it is the desktop application; with a verb it is a
// command-line tool that needs no display. This is the composition root: the only place that
// names the platform implementations and the user-interface layer.

#include <QApplication>
#include <QCoreApplication>
#include <QToolTip>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/AppDelegate.h"
#include "app/Assets.h"
#include "app/DefaultsCommand.h"
#include "app/QuitOnSignals.h"
#include "app/SingleInstance.h"
#include "app/WatchCommand.h"
#include "core/AppStateManager.h"
#include "core/SystemLog.h"
#include "platform/freedesktop/DBusNotificationMonitor.h"
#include "platform/freedesktop/FreedesktopFileReveal.h"
#include "platform/freedesktop/FreedesktopNotifications.h"
#include "platform/freedesktop/FreedesktopScreenLock.h"
#include "platform/freedesktop/KGlobalAccelShortcut.h"
#include "platform/freedesktop/PortalColorScheme.h"
#include "platform/freedesktop/PortalGlobalShortcut.h"
#include "platform/freedesktop/PortalKeySynthesis.h"
#include "platform/freedesktop/ProcessRelauncher.h"
#include "platform/freedesktop/XdgAutostartLoginItem.h"
#include "platform/wayland/FakeInputKeySynthesis.h"
#include "platform/wayland/VirtualKeyboardKeySynthesis.h"
#include "platform/wayland/WaylandClipboard.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/x11/X11AccessibilityCheck.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11GlobalShortcut.h"
#include "platform/x11/X11KeySynthesis.h"
#include "platform/x11/X11PasteKeyMonitor.h"
#include "ui/Palettes.h"
#include "ui/WidgetViewFactory.h"

// Last: Xlib's macros clash with names in the headers above.
#include "platform/x11/XDisplay.h"

namespace {

using Arguments = std::vector<std::string>;

struct Verb {
    std::string_view name;
    std::string_view summary;
    int (*run)(const Arguments& arguments);
};

int runDefaults(const Arguments& arguments) {
    return nabbit::DefaultsCommand().run(arguments, std::cout, std::cerr);
}

std::unique_ptr<nabbit::NotificationMonitor> makeNotificationMonitor() {
    return std::make_unique<nabbit::DBusNotificationMonitor>();
}

int runWatch(const Arguments& arguments) {
    return nabbit::WatchCommand(makeNotificationMonitor).run(arguments, std::cout, std::cerr);
}

int runResync(const Arguments& arguments) {
    if (!arguments.empty()) {
        std::cerr << "usage: nabbit resync\n";
        return 2;
    }
    switch (nabbit::SingleInstance::requestResync()) {
        case nabbit::SingleInstance::ResyncAnswer::resyncing:
            return 0;
        case nabbit::SingleInstance::ResyncAnswer::notRunning:
            std::cerr << "nabbit resync: Nabbit is not running; start it with `nabbit`\n";
            return 1;
        case nabbit::SingleInstance::ResyncAnswer::unreachable:
            std::cerr << "nabbit resync: Nabbit is running but does not answer\n";
            return 1;
    }
    return 1;
}

constexpr Verb verbs[] = {
    {"defaults", "read, write or delete preferences (nabbit defaults --help)", runDefaults},
    {"watch", "print each new code as a JSON line (nabbit watch --help)", runWatch},
    {"resync", "make the running Nabbit read again from the newest message", runResync},
};

void printUsage(std::ostream& out) {
    out << "usage: nabbit                    start Nabbit (needs a graphical session)\n"
           "       nabbit <command> [arguments]\n\ncommands:\n";
    for (const Verb& verb : verbs) {
        out << "  " << verb.name
            << std::string(verb.name.size() < 12 ? 12 - verb.name.size() : 1, ' ') << verb.summary
            << "\n";
    }
    out << "  --help      show this help\n"
           "  --version   show the version\n\n"
        << nabbit::DefaultsCommand::usage();
}

// The clipboard Wayland programs paste from. Where the compositor lets a program without a
// window use it (data-control: KWin, wlroots desktops), Nabbit sets it itself, since their
// XWayland bridges pass X11 copies on only while an X11 window has the focus. Elsewhere (GNOME
// passes X11 copies on whatever has the focus; X11 sessions) the X11 selections serve.
// NABBIT_CLIPBOARD=x11|wayland chooses, for troubleshooting. Says once which it took.
std::unique_ptr<nabbit::Clipboard> makeClipboard() {
    const QByteArray forced = qgetenv("NABBIT_CLIPBOARD");
    std::string why;
    if (forced == "x11") {
        why = "NABBIT_CLIPBOARD=x11";
    } else if (forced != "wayland" && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        why = "not a Wayland session";
    } else {
        auto wayland = nabbit::WaylandClipboard::connect();
        if (wayland) {
            nabbit::systemLog("[Nabbit] Clipboard: Wayland, through " + (*wayland)->protocolName());
            // Like a lost X server: without its compositor the session is over.
            QObject::connect(wayland->get(), &nabbit::WaylandClipboard::compositorLost,
                             [](const QString& reason) {
                                 nabbit::systemLog("[Nabbit] The Wayland compositor is gone (" +
                                                   reason.toStdString() + "); quitting");
                                 QCoreApplication::exit(1);
                             });
            return std::move(*wayland);
        }
        why = wayland.error();
    }
    nabbit::systemLog("[Nabbit] Clipboard: X11 (" + why + ")");
    return std::make_unique<nabbit::X11Clipboard>();
}

bool waylandSession() {
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("XDG_SESSION_TYPE") == QStringLiteral("wayland");
}

// The resync shortcut: KDE's shortcut service wherever Plasma runs it (the user can rebind it
// there); on other Wayland desktops the portal's global shortcuts where offered; else a key grab
// on the X display, which on Wayland sees only the keys typed into X windows.
std::unique_ptr<nabbit::GlobalShortcut> makeGlobalShortcut() {
    if (nabbit::KGlobalAccelShortcut::available()) {
        nabbit::systemLog("[Nabbit] Global shortcut through the desktop's shortcut service");
        return std::make_unique<nabbit::KGlobalAccelShortcut>();
    }
    if (waylandSession()) {
        if (nabbit::PortalGlobalShortcut::available()) {
            nabbit::systemLog("[Nabbit] Global shortcut through the desktop portal");
            return std::make_unique<nabbit::PortalGlobalShortcut>();
        }
        nabbit::systemLog(
            "[Nabbit] Global shortcut reaches X11 windows only on this desktop: bind `nabbit "
            "resync` in the desktop's shortcut settings for Wayland windows");
    }
    return std::make_unique<nabbit::X11GlobalShortcut>();
}

// How auto-paste types Ctrl+V, and whether it may: one object answers both on the Wayland
// routes; XTest has its own check.
struct PasteRoute {
    std::unique_ptr<nabbit::KeySynthesis> keys;
    std::unique_ptr<nabbit::AccessibilityCheck> separateCheck;
    nabbit::AccessibilityCheck* check = nullptr;
};

template <class Route>
PasteRoute pasteRouteOf(std::unique_ptr<Route> route) {
    PasteRoute paste;
    paste.check = route.get();
    paste.keys = std::move(route);
    return paste;
}

// Auto-paste takes what the session offers: on Wayland a virtual keyboard (wlroots), KWin's
// fake input, or the RemoteDesktop portal (GNOME, with the user's consent); XTest elsewhere,
// which on Wayland reaches X11 windows only. Says once which it took.
PasteRoute makePasteRoute() {
    std::string why = "not a Wayland session";
    if (waylandSession()) {
        // One connection for both compositor routes: KWin reads a client's whole executable
        // on each connection before it grants fake input.
        auto connection = nabbit::WaylandConnection::open(
            {}, nabbit::VirtualKeyboardKeySynthesis::kConnectTimeout);
        std::string waylandWhy = connection ? std::string() : connection.error();
        if (connection) {
            auto keyboard = nabbit::VirtualKeyboardKeySynthesis::over(*connection);
            if (keyboard) {
                nabbit::systemLog("[Nabbit] Auto-paste: Wayland, through a virtual keyboard");
                return pasteRouteOf(std::move(*keyboard));
            }
            auto fakeInput = nabbit::FakeInputKeySynthesis::over(*connection);
            if (fakeInput) {
                nabbit::systemLog("[Nabbit] Auto-paste: Wayland, through KWin's fake input");
                return pasteRouteOf(std::move(*fakeInput));
            }
            waylandWhy = keyboard.error() + "; " + fakeInput.error();
        }
        if (nabbit::PortalKeySynthesis::available()) {
            nabbit::systemLog(
                "[Nabbit] Auto-paste: Wayland, through the desktop portal's remote desktop");
            auto portal = std::make_unique<nabbit::PortalKeySynthesis>();
            // A grant kept from an earlier run; without one, nothing is asked until the user
            // switches auto-paste on.
            if (nabbit::AppStateManager::shared().autoPasteEnabled()) {
                portal->resume();
            }
            return pasteRouteOf(std::move(portal));
        }
        why = waylandWhy + "; no remote desktop portal";
    }
    nabbit::systemLog("[Nabbit] Auto-paste: X11, through XTest (" + why + ")");
    PasteRoute paste;
    paste.keys = std::make_unique<nabbit::X11KeySynthesis>();
    paste.separateCheck = std::make_unique<nabbit::X11AccessibilityCheck>();
    paste.check = paste.separateCheck.get();
    return paste;
}

int runDesktop(int argc, char** argv) {
    if (!nabbit::openXDisplay()) {
        std::cerr << "Nabbit needs a graphical session; `nabbit watch` runs without one\n";
        return 1;
    }
    // The shortcut, the key monitor and auto-paste are X11 facilities: under Wayland, Nabbit
    // runs through XWayland.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nabbit"));
    QApplication::setApplicationVersion(QStringLiteral(NABBIT_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("nabbit"));
    QApplication::setWindowIcon(nabbit::assets::icon(QStringLiteral("logo")));
    // Nabbit lives in the tray: closing its last window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // Light or dark as the desktop prefers, also where Qt's platform integration does not
    // follow that preference itself.
    nabbit::PortalColorScheme colorScheme;
    const auto followColorScheme =
        [platformPalette = QApplication::palette()](nabbit::ColorScheme::Preference preference) {
            using Preference = nabbit::ColorScheme::Preference;
            QPalette palette = platformPalette;
            if (preference != Preference::none) {
                QApplication::setStyle(QStringLiteral("Fusion"));
                palette = preference == Preference::dark ? nabbit::theme::darkPalette()
                                                         : nabbit::theme::lightPalette();
            }
            QApplication::setPalette(palette);
            QToolTip::setPalette(palette);
        };
    followColorScheme(colorScheme.current());
    colorScheme.observe(followColorScheme);

    // One Nabbit per user: a second start hands over to the running one.
    nabbit::SingleInstance instance;
    switch (instance.claim(qEnvironmentVariableIntValue("NABBIT_RELAUNCH_OF"))) {
        case nabbit::SingleInstance::Role::running:
            break;
        case nabbit::SingleInstance::Role::handedOver:
            return 0;
        case nabbit::SingleInstance::Role::unreachable:
            std::cerr << "Nabbit is already running but does not answer.\n";
            return 0;
    }

    const std::unique_ptr<nabbit::Clipboard> clipboard = makeClipboard();
    const PasteRoute paste = makePasteRoute();
    nabbit::X11PasteKeyMonitor pasteKeyMonitor;
    const auto globalShortcut = makeGlobalShortcut();
    nabbit::FreedesktopNotifications notifications;
    nabbit::FreedesktopFileReveal fileReveal;
    nabbit::XdgAutostartLoginItem loginItem(QCoreApplication::applicationFilePath().toStdString());
    nabbit::ProcessRelauncher relauncher;
    nabbit::WidgetViewFactory views;
    nabbit::FreedesktopScreenLock screenLock;
    nabbit::AppDelegate delegate({*clipboard,
                                  *paste.keys,
                                  pasteKeyMonitor,
                                  *globalShortcut,
                                  notifications,
                                  *paste.check,
                                  fileReveal,
                                  loginItem,
                                  relauncher,
                                  views,
                                  screenLock,
                                  {},
                                  makeNotificationMonitor});
    QObject::connect(&instance, &nabbit::SingleInstance::reopenRequested, &delegate,
                     &nabbit::AppDelegate::applicationShouldHandleReopen);
    QObject::connect(&instance, &nabbit::SingleInstance::resyncRequested, &delegate,
                     &nabbit::AppDelegate::resync);
    nabbit::QuitOnSignals quitOnSignals;
    delegate.applicationDidFinishLaunching();
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    const Arguments arguments(argv + 1, argv + argc);
    if (arguments.empty()) {
        return runDesktop(argc, argv);
    }
    const std::string& first = arguments.front();
    if (first == "--help" || first == "-h" || first == "help") {
        printUsage(std::cout);
        return 0;
    }
    if (first == "--version") {
        std::cout << "nabbit " << NABBIT_VERSION << "\n";
        return 0;
    }
    for (const Verb& verb : verbs) {
        if (first == verb.name) {
            QCoreApplication application(argc, argv);
            return verb.run(Arguments(arguments.begin() + 1, arguments.end()));
        }
    }
    std::cerr << "nabbit: unknown command '" << first << "'\n";
    printUsage(std::cerr);
    return 2;
}
