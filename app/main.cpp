// The nabbit program. Without arguments it is the desktop application; with a verb it is a
// command-line tool that needs no display. This is the composition root: the only place that
// names the platform implementations and the user-interface layer.

#include <QApplication>
#include <QCoreApplication>
#include <QToolTip>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/AppDelegate.h"
#include "app/Assets.h"
#include "app/DefaultsCommand.h"
#include "app/QuitOnSignals.h"
#include "app/SingleInstance.h"
#include "app/WatchCommand.h"
#include "core/SystemLog.h"
#include "platform/freedesktop/DBusNotificationMonitor.h"
#include "platform/freedesktop/FreedesktopFileReveal.h"
#include "platform/freedesktop/FreedesktopNotifications.h"
#include "platform/freedesktop/FreedesktopScreenLock.h"
#include "platform/freedesktop/PortalColorScheme.h"
#include "platform/freedesktop/ProcessRelauncher.h"
#include "platform/freedesktop/XdgAutostartLoginItem.h"
#include "platform/wayland/WaylandClipboard.h"
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

constexpr Verb verbs[] = {
    {"defaults", "read, write or delete preferences (nabbit defaults --help)", runDefaults},
    {"watch", "print each new code as a JSON line (nabbit watch --help)", runWatch},
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
    nabbit::X11KeySynthesis keySynthesis;
    nabbit::X11PasteKeyMonitor pasteKeyMonitor;
    nabbit::X11GlobalShortcut globalShortcut;
    nabbit::FreedesktopNotifications notifications;
    nabbit::X11AccessibilityCheck accessibility;
    nabbit::FreedesktopFileReveal fileReveal;
    nabbit::XdgAutostartLoginItem loginItem(QCoreApplication::applicationFilePath().toStdString());
    nabbit::ProcessRelauncher relauncher;
    nabbit::WidgetViewFactory views;
    nabbit::FreedesktopScreenLock screenLock;
    nabbit::AppDelegate delegate({*clipboard,
                                  keySynthesis,
                                  pasteKeyMonitor,
                                  globalShortcut,
                                  notifications,
                                  accessibility,
                                  fileReveal,
                                  loginItem,
                                  relauncher,
                                  views,
                                  screenLock,
                                  {},
                                  makeNotificationMonitor});
    QObject::connect(&instance, &nabbit::SingleInstance::reopenRequested, &delegate,
                     &nabbit::AppDelegate::applicationShouldHandleReopen);
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
