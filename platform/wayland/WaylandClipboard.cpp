#include "platform/wayland/WaylandClipboard.h"

#include <fcntl.h>
#include <unistd.h>
#include <wayland-client-protocol.h>

#include <QTimer>
#include <algorithm>

#include "platform/wayland/ClipboardPipeReader.h"
#include "platform/wayland/ClipboardPipeWriter.h"

namespace nabbit {

namespace {

// The types a code is offered in: the MIME types Wayland applications ask for and the X11
// target names that XWayland and older toolkits ask for.
constexpr const char* kCodeTextTypes[] = {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING",
                                          "TEXT", "STRING"};
constexpr const char* kPasswordManagerHint = "x-kde-passwordManagerHint";
constexpr int kPipeSize = 1024 * 1024;

}  // namespace

Expected<std::unique_ptr<WaylandClipboard>, std::string> WaylandClipboard::connect(
    const std::string& socket) {
    auto connection = WaylandConnection::open(socket, kConnectTimeout);
    if (!connection) {
        return Unexpected{std::move(connection.error())};
    }
    const auto* ext = (*connection)->findGlobal(DataControlProtocol::ext().managerName());
    const auto* wlr = (*connection)->findGlobal(DataControlProtocol::wlr().managerName());
    const DataControlProtocol* protocol =
        DataControlProtocol::preferredOf(ext != nullptr, wlr != nullptr);
    if (protocol == nullptr) {
        return Unexpected{std::string("the compositor offers no data-control protocol")};
    }
    const auto* seatGlobal = (*connection)->findGlobal("wl_seat");
    if (seatGlobal == nullptr) {
        return Unexpected{std::string("the compositor offers no seat")};
    }
    WaylandProxy seat((*connection)->bind(*seatGlobal, &wl_seat_interface, 1),
                      WaylandProxy::kNoDestructor);
    WaylandProxy manager(
        (*connection)->bind(ext != nullptr ? *ext : *wlr, protocol->managerInterface(), 1),
        DataControlProtocol::managerDestructor());
    return std::unique_ptr<WaylandClipboard>(new WaylandClipboard(
        std::move(*connection), *protocol, std::move(seat), std::move(manager)));
}

WaylandClipboard::WaylandClipboard(std::unique_ptr<WaylandConnection> connection,
                                   const DataControlProtocol& protocol, WaylandProxy seat,
                                   WaylandProxy manager)
    : connection_(std::move(connection)),
      protocol_(&protocol),
      seat_(std::move(seat)),
      manager_(std::move(manager)) {
    ClipboardPipeWriter::ignoreBrokenPipeSignal();
    static constexpr DataControlProtocol::DeviceListener listener{
        .dataOffer = &WaylandClipboard::onDataOffer,
        .selection = &WaylandClipboard::onSelection,
        .finished = &WaylandClipboard::onFinished,
        .primarySelection = &WaylandClipboard::onPrimarySelection,
    };
    device_ = protocol_->getDevice(manager_.get(), seat_.get());
    DataControlProtocol::listen(device_.get(), listener, this);
    connection_->flush();
    QObject::connect(connection_.get(), &WaylandConnection::connectionLost, this,
                     [this](const QString& reason) {
                         ownContents_.reset();
                         emit compositorLost(reason);
                     });
}

WaylandClipboard::~WaylandClipboard() {
    // Objects go before the connection closes.
    source_.reset();
    selection_.reset();
    announced_.clear();
    device_.reset();
    manager_.reset();
    seat_.reset();
    connection_->flush();
}

void WaylandClipboard::finishWithoutOffer(ReadCallback done, ReadResult result) {
    QTimer::singleShot(0, this, [done = std::move(done), result = std::move(result)]() mutable {
        done(std::move(result));
    });
}

void WaylandClipboard::read(ReadCallback done) {
    if (connection_->lost() || !device_) {
        finishWithoutOffer(std::move(done), Unexpected{ClipboardReadError::unavailable});
        return;
    }
    // What we offer ourselves needs no trip through the compositor (which might not yet have
    // told us that our source is the selection).
    if (ownContents_) {
        finishWithoutOffer(std::move(done), *ownContents_);
        return;
    }
    if (!selection_) {
        finishWithoutOffer(std::move(done), ClipboardContents{});
        return;
    }
    std::vector<ClipboardPipeReader::Stream> streams;
    for (const std::string& mimeType : selection_->mimeTypes) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
            finishWithoutOffer(std::move(done), Unexpected{ClipboardReadError::unavailable});
            return;
        }
        UniqueFd readEnd(fds[0]);
        const UniqueFd writeEnd(fds[1]);  // the compositor passes on a copy of it
        // A larger pipe takes large contents in fewer turns of the event loop; where the
        // system refuses, the default one serves.
        ::fcntl(readEnd.get(), F_SETPIPE_SZ, kPipeSize);
        DataControlProtocol::receive(selection_->proxy.get(), mimeType, writeEnd.get());
        streams.push_back({mimeType, std::move(readEnd)});
    }
    connection_->flush();
    new ClipboardPipeReader(std::move(streams), kReadDeadline, ClipboardContents::kMaxBytes,
                            std::move(done), this);
}

void WaylandClipboard::writeCode(const std::string& code) {
    ClipboardContents contents;
    for (const char* type : kCodeTextTypes) {
        contents.formats.push_back({type, code});
    }
    // Clipboard histories (Klipper and others) do not keep what is marked so.
    contents.formats.push_back({kPasswordManagerHint, "secret"});
    write(contents);
}

void WaylandClipboard::write(const ClipboardContents& contents) {
    if (connection_->lost() || !device_) {
        return;
    }
    source_.reset();
    ownContents_.reset();
    if (contents.empty()) {
        // Putting back an empty clipboard: clear it.
        DataControlProtocol::setSelection(device_.get(), nullptr);
        connection_->flush();
        return;
    }
    static constexpr DataControlProtocol::SourceListener listener{
        .send = &WaylandClipboard::onSend,
        .cancelled = &WaylandClipboard::onCancelled,
    };
    source_ = protocol_->createSource(manager_.get());
    DataControlProtocol::listen(source_.get(), listener, this);
    for (const ClipboardFormat& format : contents.formats) {
        DataControlProtocol::offer(source_.get(), format.mimeType);
    }
    DataControlProtocol::setSelection(device_.get(), source_.get());
    ownContents_ = std::make_shared<const ClipboardContents>(contents);
    connection_->flush();
}

void WaylandClipboard::onDataOffer(void* data, wl_proxy*, wl_proxy* offer) {
    static constexpr DataControlProtocol::OfferListener listener{
        .offer = &WaylandClipboard::onOfferMimeType,
    };
    auto* self = static_cast<WaylandClipboard*>(data);
    auto entry = std::make_unique<Offer>();
    entry->proxy = DataControlProtocol::adoptOffer(offer);
    DataControlProtocol::listen(offer, listener, entry.get());
    self->announced_.emplace(offer, std::move(entry));
}

void WaylandClipboard::onOfferMimeType(void* data, wl_proxy*, const char* mimeType) {
    auto& types = static_cast<Offer*>(data)->mimeTypes;
    // A type listed twice is read once.
    if (std::find(types.begin(), types.end(), mimeType) == types.end()) {
        types.emplace_back(mimeType);
    }
}

void WaylandClipboard::onSelection(void* data, wl_proxy*, wl_proxy* offer) {
    auto* self = static_cast<WaylandClipboard*>(data);
    self->selection_.reset();
    if (offer != nullptr) {
        if (auto found = self->announced_.find(offer); found != self->announced_.end()) {
            self->selection_ = std::move(found->second);
            self->announced_.erase(found);
        }
    }
}

void WaylandClipboard::onPrimarySelection(void* data, wl_proxy*, wl_proxy* offer) {
    // Not bound at a version that sends it; an offer for it is released all the same.
    auto* self = static_cast<WaylandClipboard*>(data);
    if (offer != nullptr) {
        self->announced_.erase(offer);
    }
}

void WaylandClipboard::onFinished(void* data, wl_proxy*) {
    // The seat went away: the clipboard is gone with it.
    auto* self = static_cast<WaylandClipboard*>(data);
    self->source_.reset();
    self->ownContents_.reset();
    self->selection_.reset();
    self->announced_.clear();
    self->device_.reset();
}

void WaylandClipboard::onSend(void* data, wl_proxy* source, const char* mimeType, int32_t fd) {
    auto* self = static_cast<WaylandClipboard*>(data);
    UniqueFd pipe(fd);
    if (source != self->source_.get() || !self->ownContents_) {
        return;  // closing the pipe tells the reader there is nothing
    }
    const ClipboardFormat* format = self->ownContents_->find(mimeType);
    if (format == nullptr) {
        return;
    }
    // Owned by the clipboard object; it deletes itself when the transfer ends.
    new ClipboardPipeWriter(std::move(pipe), self->ownContents_, format->data, self);
}

void WaylandClipboard::onCancelled(void* data, wl_proxy* source) {
    // Another program took the clipboard.
    auto* self = static_cast<WaylandClipboard*>(data);
    if (source == self->source_.get()) {
        self->source_.reset();
        self->ownContents_.reset();
    }
}

}  // namespace nabbit
