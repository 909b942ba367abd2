#include "platform/x11/X11SelectionReader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <QSocketNotifier>
#include <QTimer>

#include <xcb/xcb.h>

namespace nabbit {

namespace {

// Targets that describe the selection or act on it rather than carry its contents, and X
// resource ids that mean nothing once their owner is gone.
constexpr std::string_view kNotContents[] = {"TARGETS",         "TIMESTAMP",
                                             "MULTIPLE",        "SAVE_TARGETS",
                                             "DELETE",          "INSERT_SELECTION",
                                             "INSERT_PROPERTY", "PIXMAP",
                                             "BITMAP",          "DRAWABLE",
                                             "COLORMAP",        "WINDOW",
                                             "_QT_SELECTION",   "_QT_CLIPBOARD_SENTINEL"};

template <class Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template <class Reply>
ReplyPtr<Reply> owned(Reply* reply) {
    return ReplyPtr<Reply>(reply, &std::free);
}

xcb_atom_t intern(xcb_connection_t* connection, std::string_view name) {
    auto reply = owned(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.data()),
        nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

}  // namespace

struct X11SelectionReader::Connection {
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = XCB_WINDOW_NONE;
    xcb_atom_t clipboard = XCB_ATOM_NONE;
    xcb_atom_t targets = XCB_ATOM_NONE;
    xcb_atom_t incr = XCB_ATOM_NONE;
    xcb_atom_t property = XCB_ATOM_NONE;

    Connection() {
        int screenNumber = 0;
        connection = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(connection) != 0) {
            return;
        }
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (int i = 0; i < screenNumber && screens.rem > 0; ++i) {
            xcb_screen_next(&screens);
        }
        if (screens.rem > 0) {
            root = screens.data->root;
        }
        clipboard = intern(connection, "CLIPBOARD");
        targets = intern(connection, "TARGETS");
        incr = intern(connection, "INCR");
        property = intern(connection, "NABBIT_SELECTION");
    }
    ~Connection() { xcb_disconnect(connection); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool usable() const {
        return xcb_connection_has_error(connection) == 0 && root != XCB_WINDOW_NONE &&
               clipboard != XCB_ATOM_NONE;
    }
};

// One read in progress: a window of its own receives the owner's answers, so that answers to an
// abandoned read cannot be taken for those of a later one.
struct X11SelectionReader::Transfer {
    enum class Stage { targets, target, incremental };

    xcb_window_t window = XCB_WINDOW_NONE;
    Clipboard::ReadCallback done;
    QTimer deadline;
    Stage stage = Stage::targets;
    std::vector<std::pair<xcb_atom_t, std::string>> targets;
    std::size_t next = 0;
    std::string incoming;  // the format being received in pieces
    ClipboardContents contents;
    std::size_t bytes = 0;
};

X11SelectionReader::X11SelectionReader(QObject* parent)
    : QObject(parent), connection_(std::make_unique<Connection>()) {
    if (connection_->usable()) {
        notifier_ = new QSocketNotifier(xcb_get_file_descriptor(connection_->connection),
                                        QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &X11SelectionReader::pump);
    }
}

X11SelectionReader::~X11SelectionReader() {
    for (const auto& transfer : transfers_) {
        if (transfer->window != XCB_WINDOW_NONE && connection_->usable()) {
            xcb_destroy_window(connection_->connection, transfer->window);
        }
    }
    if (connection_->usable()) {
        xcb_flush(connection_->connection);
    }
}

void X11SelectionReader::read(Clipboard::ReadCallback done) {
    if (!connection_->usable()) {
        QTimer::singleShot(0, this, [done = std::move(done)] {
            done(Unexpected{ClipboardReadError::unavailable});
        });
        return;
    }
    xcb_connection_t* connection = connection_->connection;
    auto transfer = std::make_unique<Transfer>();
    transfer->done = std::move(done);
    transfer->window = xcb_generate_id(connection);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, transfer->window, connection_->root, 0, 0,
                      1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    xcb_convert_selection(connection, transfer->window, connection_->clipboard,
                          connection_->targets, connection_->property, XCB_CURRENT_TIME);
    xcb_flush(connection);

    Transfer& started = *transfer;
    started.deadline.setSingleShot(true);
    connect(&started.deadline, &QTimer::timeout, this, [this, window = started.window] {
        if (Transfer* late = transferFor(window)) {
            finish(*late, Unexpected{ClipboardReadError::timedOut});
        }
    });
    started.deadline.start(Clipboard::kReadDeadline);
    transfers_.push_back(std::move(transfer));
    // Answers may already wait in the connection's queue.
    QTimer::singleShot(0, this, &X11SelectionReader::pump);
}

void X11SelectionReader::pump() {
    xcb_connection_t* connection = connection_->connection;
    while (auto event = owned(xcb_poll_for_event(connection))) {
        handle(event.get());
    }
    if (xcb_connection_has_error(connection) != 0) {
        if (notifier_ != nullptr) {
            notifier_->setEnabled(false);
        }
        while (!transfers_.empty()) {
            finish(*transfers_.front(), Unexpected{ClipboardReadError::unavailable});
        }
    }
}

void X11SelectionReader::handle(const void* raw) {
    const auto* event = static_cast<const xcb_generic_event_t*>(raw);
    switch (event->response_type & 0x7f) {
        case XCB_SELECTION_NOTIFY: {
            const auto* notify = static_cast<const xcb_selection_notify_event_t*>(raw);
            Transfer* transfer = transferFor(notify->requestor);
            if (transfer == nullptr || transfer->stage == Transfer::Stage::incremental) {
                return;
            }
            if (notify->property == XCB_ATOM_NONE) {
                // No owner, or it refused this target: an empty clipboard, or one format less.
                if (transfer->stage == Transfer::Stage::targets) {
                    finish(*transfer, ClipboardContents{});
                } else {
                    requestNextTarget(*transfer);
                }
                return;
            }
            takeProperty(*transfer);
            return;
        }
        case XCB_PROPERTY_NOTIFY: {
            const auto* notify = static_cast<const xcb_property_notify_event_t*>(raw);
            Transfer* transfer = transferFor(notify->window);
            if (transfer != nullptr && transfer->stage == Transfer::Stage::incremental &&
                notify->atom == connection_->property && notify->state == XCB_PROPERTY_NEW_VALUE) {
                takeProperty(*transfer);
            }
            return;
        }
        default:
            return;
    }
}

void X11SelectionReader::takeProperty(Transfer& transfer) {
    xcb_connection_t* connection = connection_->connection;
    // Asking for one word more than the cap tells a property above it apart.
    const auto words = static_cast<uint32_t>(ClipboardContents::kMaxBytes / 4 + 1);
    auto reply = owned(
        xcb_get_property_reply(connection,
                               xcb_get_property(connection, 1, transfer.window,
                                                connection_->property, XCB_ATOM_ANY, 0, words),
                               nullptr));
    xcb_flush(connection);
    if (!reply) {
        finish(transfer, Unexpected{ClipboardReadError::unavailable});
        return;
    }
    if (reply->bytes_after > 0) {
        finish(transfer, Unexpected{ClipboardReadError::tooLarge});
        return;
    }
    const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply.get()));
    const auto length = static_cast<std::size_t>(xcb_get_property_value_length(reply.get()));

    switch (transfer.stage) {
        case Transfer::Stage::targets: {
            if (reply->format != 32) {
                finish(transfer, ClipboardContents{});
                return;
            }
            std::vector<xcb_atom_t> atoms(length / sizeof(xcb_atom_t));
            std::memcpy(atoms.data(), bytes, atoms.size() * sizeof(xcb_atom_t));
            std::vector<xcb_get_atom_name_cookie_t> cookies;
            cookies.reserve(atoms.size());
            for (xcb_atom_t atom : atoms) {
                cookies.push_back(xcb_get_atom_name(connection, atom));
            }
            for (std::size_t i = 0; i < atoms.size(); ++i) {
                auto name = owned(xcb_get_atom_name_reply(connection, cookies[i], nullptr));
                if (!name || atoms[i] == XCB_ATOM_NONE) {
                    continue;
                }
                std::string text(
                    xcb_get_atom_name_name(name.get()),
                    static_cast<std::size_t>(xcb_get_atom_name_name_length(name.get())));
                const bool meta = std::find(std::begin(kNotContents), std::end(kNotContents),
                                            text) != std::end(kNotContents);
                const bool seen =
                    std::any_of(transfer.targets.begin(), transfer.targets.end(),
                                [&](const auto& each) { return each.first == atoms[i]; });
                if (!meta && !seen) {
                    transfer.targets.emplace_back(atoms[i], std::move(text));
                }
            }
            requestNextTarget(transfer);
            return;
        }
        case Transfer::Stage::target:
            if (reply->type == connection_->incr) {
                // Its value is at least the size to come: no need to wait for pieces of a
                // transfer that cannot be kept.
                if (reply->format == 32 && length >= sizeof(uint32_t)) {
                    uint32_t announced = 0;
                    std::memcpy(&announced, bytes, sizeof announced);
                    if (transfer.bytes + announced > ClipboardContents::kMaxBytes) {
                        finish(transfer, Unexpected{ClipboardReadError::tooLarge});
                        return;
                    }
                }
                // Deleting the property (done by the read above) asks for the first piece.
                transfer.stage = Transfer::Stage::incremental;
                transfer.incoming.clear();
                return;
            }
            transfer.bytes += length;
            if (transfer.bytes > ClipboardContents::kMaxBytes) {
                finish(transfer, Unexpected{ClipboardReadError::tooLarge});
                return;
            }
            transfer.contents.formats.push_back(
                {transfer.targets[transfer.next - 1].second, std::string(bytes, length)});
            requestNextTarget(transfer);
            return;
        case Transfer::Stage::incremental:
            if (length == 0) {
                transfer.contents.formats.push_back(
                    {transfer.targets[transfer.next - 1].second, std::move(transfer.incoming)});
                transfer.incoming.clear();
                requestNextTarget(transfer);
                return;
            }
            transfer.bytes += length;
            if (transfer.bytes > ClipboardContents::kMaxBytes) {
                finish(transfer, Unexpected{ClipboardReadError::tooLarge});
                return;
            }
            transfer.incoming.append(bytes, length);
            return;
    }
}

void X11SelectionReader::requestNextTarget(Transfer& transfer) {
    if (transfer.next >= transfer.targets.size()) {
        finish(transfer, std::move(transfer.contents));
        return;
    }
    transfer.stage = Transfer::Stage::target;
    const xcb_atom_t target = transfer.targets[transfer.next++].first;
    xcb_convert_selection(connection_->connection, transfer.window, connection_->clipboard, target,
                          connection_->property, XCB_CURRENT_TIME);
    xcb_flush(connection_->connection);
}

void X11SelectionReader::finish(Transfer& transfer, Clipboard::ReadResult result) {
    const auto found = std::find_if(transfers_.begin(), transfers_.end(),
                                    [&](const auto& each) { return each.get() == &transfer; });
    if (found == transfers_.end()) {
        return;
    }
    std::unique_ptr<Transfer> done = std::move(*found);
    transfers_.erase(found);
    done->deadline.stop();
    if (xcb_connection_has_error(connection_->connection) == 0) {
        xcb_destroy_window(connection_->connection, done->window);
        xcb_flush(connection_->connection);
    }
    // Called back from the event loop, never in the middle of a read of this object's.
    QTimer::singleShot(0, this,
                       [callback = std::move(done->done), result = std::move(result)]() mutable {
                           callback(std::move(result));
                       });
}

X11SelectionReader::Transfer* X11SelectionReader::transferFor(unsigned int window) {
    const auto found = std::find_if(transfers_.begin(), transfers_.end(),
                                    [&](const auto& each) { return each->window == window; });
    return found == transfers_.end() ? nullptr : found->get();
}

}  // namespace nabbit
