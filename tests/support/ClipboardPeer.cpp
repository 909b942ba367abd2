// Other programs on the desktop's clipboard, for the clipboard tests, as separate X clients:
//   nabbit-test-clipboard own TYPE=VALUE...  takes the clipboard offering these formats (VALUE
//                                            "@path" is a file's bytes) and serves them
//   nabbit-test-clipboard frozen              takes the clipboard and never answers anyone
//   nabbit-test-clipboard keep                a clipboard manager that copies every new
//                                            clipboard, serves its copy once the owner is gone
//                                            and answers SAVE_TARGETS (owns CLIPBOARD_MANAGER)
//   nabbit-test-clipboard take                a clipboard manager that copies every new
//                                            clipboard and takes it over at once
// Prints "ready" once in place, "copied N" after each copy and "serving" when it takes the
// clipboard over.
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace {

using Formats = std::vector<std::pair<xcb_atom_t, std::string>>;
using Event = std::unique_ptr<xcb_generic_event_t, decltype(&std::free)>;

xcb_connection_t* connection = nullptr;
xcb_window_t window = XCB_WINDOW_NONE;

xcb_atom_t atom(std::string_view name) {
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.data()),
            nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

std::string atomName(xcb_atom_t value) {
    std::unique_ptr<xcb_get_atom_name_reply_t, decltype(&std::free)> reply(
        xcb_get_atom_name_reply(connection, xcb_get_atom_name(connection, value), nullptr),
        &std::free);
    if (!reply) {
        return {};
    }
    return {xcb_get_atom_name_name(reply.get()),
            static_cast<std::size_t>(xcb_get_atom_name_name_length(reply.get()))};
}

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

struct Atoms {
    xcb_atom_t clipboard, targets, timestamp, multiple, manager, saveTargets, property;
};
Atoms atoms;

// Events that arrive while waiting for one in particular are kept for the main loop.
std::vector<Event> deferred;

Event waitFor(uint8_t type, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        while (Event event{xcb_poll_for_event(connection), &std::free}) {
            if ((event->response_type & 0x7f) == type) {
                return event;
            }
            deferred.push_back(std::move(event));
        }
        pollfd fd{xcb_get_file_descriptor(connection), POLLIN, 0};
        poll(&fd, 1, 20);
    }
    return Event{nullptr, &std::free};
}

std::string takeProperty() {
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection,
                               xcb_get_property(connection, 1, window, atoms.property, XCB_ATOM_ANY,
                                                0, 64 * 1024 * 1024),
                               nullptr),
        &std::free);
    if (!reply) {
        return {};
    }
    return {static_cast<const char*>(xcb_get_property_value(reply.get())),
            static_cast<std::size_t>(xcb_get_property_value_length(reply.get()))};
}

// Everything the clipboard's owner offers, as a clipboard manager copies it.
Formats copyClipboard() {
    Formats formats;
    xcb_convert_selection(connection, window, atoms.clipboard, atoms.targets, atoms.property,
                          XCB_CURRENT_TIME);
    xcb_flush(connection);
    Event answer = waitFor(XCB_SELECTION_NOTIFY, std::chrono::seconds(2));
    if (!answer ||
        reinterpret_cast<xcb_selection_notify_event_t*>(answer.get())->property == XCB_ATOM_NONE) {
        return formats;
    }
    const std::string list = takeProperty();
    std::vector<xcb_atom_t> targets(list.size() / sizeof(xcb_atom_t));
    std::memcpy(targets.data(), list.data(), targets.size() * sizeof(xcb_atom_t));
    for (xcb_atom_t target : targets) {
        const std::string name = atomName(target);
        if (target == atoms.targets || target == atoms.timestamp || target == atoms.multiple ||
            name == "SAVE_TARGETS" || name == "DELETE") {
            continue;
        }
        xcb_convert_selection(connection, window, atoms.clipboard, target, atoms.property,
                              XCB_CURRENT_TIME);
        xcb_flush(connection);
        Event got = waitFor(XCB_SELECTION_NOTIFY, std::chrono::seconds(2));
        if (got &&
            reinterpret_cast<xcb_selection_notify_event_t*>(got.get())->property != XCB_ATOM_NONE) {
            formats.emplace_back(target, takeProperty());
        }
    }
    return formats;
}

void take() {
    xcb_set_selection_owner(connection, window, atoms.clipboard, XCB_CURRENT_TIME);
    xcb_flush(connection);
}

// Tells the requestor its conversion is done, in `property` (none: refused).
void notifyRequestor(const xcb_selection_request_event_t& request, xcb_atom_t property) {
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = property;
    xcb_send_event(connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&notify));
    xcb_flush(connection);
}

void answer(const xcb_selection_request_event_t& request, const Formats& formats) {
    xcb_atom_t property = request.property == XCB_ATOM_NONE ? request.target : request.property;
    if (request.target == atoms.targets) {
        std::vector<xcb_atom_t> list{atoms.targets, atoms.timestamp};
        for (const auto& format : formats) {
            list.push_back(format.first);
        }
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                            XCB_ATOM_ATOM, 32, static_cast<uint32_t>(list.size()), list.data());
    } else {
        const auto found = std::find_if(formats.begin(), formats.end(), [&](const auto& format) {
            return format.first == request.target;
        });
        if (found == formats.end()) {
            property = XCB_ATOM_NONE;
        } else {
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                request.target, 8, static_cast<uint32_t>(found->second.size()),
                                found->second.data());
        }
    }
    notifyRequestor(request, property);
}

std::string readValue(const std::string& value) {
    if (value.empty() || value.front() != '@') {
        return value;
    }
    std::ifstream file(value.substr(1), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode != "own" && mode != "frozen" && mode != "keep" && mode != "take") {
        std::fprintf(stderr, "usage: nabbit-test-clipboard own TYPE=VALUE...|frozen|keep|take\n");
        return 2;
    }
    int screenNumber = 0;
    connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection) != 0) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    window = xcb_generate_id(connection);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    atoms = {atom("CLIPBOARD"),       atom("TARGETS"),           atom("TIMESTAMP"),
             atom("MULTIPLE"),        atom("CLIPBOARD_MANAGER"), atom("SAVE_TARGETS"),
             atom("NABBIT_TEST_PEER")};

    Formats formats;
    if (mode == "own" || mode == "frozen") {
        for (int i = 2; i < argc; ++i) {
            const std::string argument = argv[i];
            const auto equals = argument.find('=');
            if (equals != std::string::npos) {
                formats.emplace_back(atom(argument.substr(0, equals)),
                                     readValue(argument.substr(equals + 1)));
            }
        }
        take();
        say("ready");
        if (mode == "frozen") {
            for (;;) {
                pause();
            }
        }
    } else {
        const xcb_query_extension_reply_t* xfixes =
            xcb_get_extension_data(connection, &xcb_xfixes_id);
        if (xfixes == nullptr || xfixes->present == 0) {
            std::fprintf(stderr, "no XFIXES\n");
            return 1;
        }
        std::free(xcb_xfixes_query_version_reply(
            connection, xcb_xfixes_query_version(connection, 5, 0), nullptr));
        xcb_xfixes_select_selection_input(
            connection, window, atoms.clipboard,
            XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        if (mode == "keep") {
            xcb_set_selection_owner(connection, window, atoms.manager, XCB_CURRENT_TIME);
        }
        xcb_flush(connection);
        say("ready");
    }

    const uint8_t xfixesEvent =
        mode == "own"
            ? 0
            : static_cast<uint8_t>(xcb_get_extension_data(connection, &xcb_xfixes_id)->first_event +
                                   XCB_XFIXES_SELECTION_NOTIFY);
    for (;;) {
        Event event{nullptr, &std::free};
        if (!deferred.empty()) {
            event = std::move(deferred.front());
            deferred.erase(deferred.begin());
        } else {
            event.reset(xcb_wait_for_event(connection));
        }
        if (!event) {
            return 0;  // the display went away
        }
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_REQUEST) {
            const auto& request = *reinterpret_cast<xcb_selection_request_event_t*>(event.get());
            if (request.selection == atoms.manager && request.target == atoms.saveTargets) {
                // The owner is leaving and asks for its clipboard to be kept.
                formats = copyClipboard();
                say("copied " + std::to_string(formats.size()));
                notifyRequestor(request, request.property);
            } else if (request.selection == atoms.clipboard) {
                answer(request, formats);
            } else {
                answer(request, {});
            }
        } else if (xfixesEvent != 0 && type == xfixesEvent) {
            const auto& notify =
                *reinterpret_cast<xcb_xfixes_selection_notify_event_t*>(event.get());
            if (notify.selection != atoms.clipboard || notify.owner == window) {
                continue;
            }
            if (notify.owner == XCB_WINDOW_NONE) {
                if (mode == "keep" && !formats.empty()) {
                    take();
                    say("serving");
                }
                continue;
            }
            Formats copied = copyClipboard();
            if (copied.empty()) {
                continue;
            }
            formats = std::move(copied);
            say("copied " + std::to_string(formats.size()));
            if (mode == "take") {
                take();
                say("serving");
            }
        }
    }
}
