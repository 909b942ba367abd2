#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QObject>

#include "core/Expected.h"
#include "platform/Clipboard.h"
#include "platform/wayland/DataControlProtocol.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandProxy.h"

namespace nabbit {

// The clipboard of a Wayland session, through the data-control protocol on a connection of
// its own: Wayland applications paste from it whatever window has the focus, also when none
// of Nabbit's windows (which live on XWayland) has it.
class WaylandClipboard final : public QObject, public Clipboard {
    Q_OBJECT

  public:
    // How long connecting may wait for the compositor to list its globals.
    static constexpr std::chrono::milliseconds kConnectTimeout{2000};

    // Connects to `socket` (empty: WAYLAND_DISPLAY). Fails, saying why, when there is no
    // compositor, or no seat or data-control global to use.
    static Expected<std::unique_ptr<WaylandClipboard>, std::string> connect(
        const std::string& socket = {});

    ~WaylandClipboard() override;
    WaylandClipboard(const WaylandClipboard&) = delete;
    WaylandClipboard& operator=(const WaylandClipboard&) = delete;

    void read(ReadCallback done) override;
    void writeCode(const std::string& code) override;
    void write(const ClipboardContents& contents) override;
    bool ownsSelection() const override { return ownContents_ != nullptr; }

    // The data-control global in use, for the start-up log line.
    const std::string& protocolName() const { return protocol_->managerName(); }

  signals:
    // The compositor went away: nothing on this connection works any more. Sent once.
    void compositorLost(const QString& reason);

  private:
    struct Offer {
        WaylandProxy proxy;
        std::vector<std::string> mimeTypes;
    };

    WaylandClipboard(std::unique_ptr<WaylandConnection> connection,
                     const DataControlProtocol& protocol, WaylandProxy seat, WaylandProxy manager);
    void finishWithoutOffer(ReadCallback done, ReadResult result);

    static void onDataOffer(void* data, wl_proxy* device, wl_proxy* offer);
    static void onSelection(void* data, wl_proxy* device, wl_proxy* offer);
    static void onFinished(void* data, wl_proxy* device);
    static void onPrimarySelection(void* data, wl_proxy* device, wl_proxy* offer);
    static void onOfferMimeType(void* data, wl_proxy* offer, const char* mimeType);
    static void onSend(void* data, wl_proxy* source, const char* mimeType, int32_t fd);
    static void onCancelled(void* data, wl_proxy* source);

    // Members in the order they must be built; objects go before the connection.
    std::unique_ptr<WaylandConnection> connection_;
    const DataControlProtocol* protocol_;
    WaylandProxy seat_;
    WaylandProxy manager_;
    WaylandProxy device_;
    // Offers announced and not yet made the selection, then the selection's offer.
    std::map<wl_proxy*, std::unique_ptr<Offer>> announced_;
    std::unique_ptr<Offer> selection_;
    // Our own source while it is the selection, and what it offers (shared with transfers
    // still being written after it was replaced).
    WaylandProxy source_;
    std::shared_ptr<const ClipboardContents> ownContents_;
};

}  // namespace nabbit
