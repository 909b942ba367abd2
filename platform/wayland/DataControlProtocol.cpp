#include "platform/wayland/DataControlProtocol.h"

#include "ext-data-control-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace nabbit {

namespace {

// One set of opcodes serves both protocols; the compiler checks that they agree.
constexpr uint32_t kCreateDataSource = ZWLR_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE;
constexpr uint32_t kGetDataDevice = ZWLR_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE;
constexpr uint32_t kManagerDestroy = ZWLR_DATA_CONTROL_MANAGER_V1_DESTROY;
constexpr uint32_t kSetSelection = ZWLR_DATA_CONTROL_DEVICE_V1_SET_SELECTION;
constexpr uint32_t kDeviceDestroy = ZWLR_DATA_CONTROL_DEVICE_V1_DESTROY;
constexpr uint32_t kSourceOffer = ZWLR_DATA_CONTROL_SOURCE_V1_OFFER;
constexpr uint32_t kSourceDestroy = ZWLR_DATA_CONTROL_SOURCE_V1_DESTROY;
constexpr uint32_t kOfferReceive = ZWLR_DATA_CONTROL_OFFER_V1_RECEIVE;
constexpr uint32_t kOfferDestroy = ZWLR_DATA_CONTROL_OFFER_V1_DESTROY;
static_assert(kCreateDataSource == EXT_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE);
static_assert(kGetDataDevice == EXT_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE);
static_assert(kManagerDestroy == EXT_DATA_CONTROL_MANAGER_V1_DESTROY);
static_assert(kSetSelection == EXT_DATA_CONTROL_DEVICE_V1_SET_SELECTION);
static_assert(kDeviceDestroy == EXT_DATA_CONTROL_DEVICE_V1_DESTROY);
static_assert(kSourceOffer == EXT_DATA_CONTROL_SOURCE_V1_OFFER);
static_assert(kSourceDestroy == EXT_DATA_CONTROL_SOURCE_V1_DESTROY);
static_assert(kOfferReceive == EXT_DATA_CONTROL_OFFER_V1_RECEIVE);
static_assert(kOfferDestroy == EXT_DATA_CONTROL_OFFER_V1_DESTROY);

uint32_t versionOf(wl_proxy* proxy) {
    return wl_proxy_get_version(proxy);
}

// Our listener tables stand in for the generated ones: same events, same order.
static_assert(sizeof(DataControlProtocol::DeviceListener) ==
              sizeof(zwlr_data_control_device_v1_listener));
static_assert(sizeof(DataControlProtocol::DeviceListener) ==
              sizeof(ext_data_control_device_v1_listener));
static_assert(sizeof(DataControlProtocol::SourceListener) ==
              sizeof(zwlr_data_control_source_v1_listener));
static_assert(sizeof(DataControlProtocol::SourceListener) ==
              sizeof(ext_data_control_source_v1_listener));
static_assert(sizeof(DataControlProtocol::OfferListener) ==
              sizeof(zwlr_data_control_offer_v1_listener));
static_assert(sizeof(DataControlProtocol::OfferListener) ==
              sizeof(ext_data_control_offer_v1_listener));

template <class Listener>
void addListener(wl_proxy* proxy, const Listener& listener, void* data) {
    // libwayland calls the entries by the event's signature, as with the generated tables.
    wl_proxy_add_listener(
        proxy, reinterpret_cast<void (**)(void)>(const_cast<Listener*>(&listener)), data);
}

}  // namespace

void DataControlProtocol::listen(wl_proxy* device, const DeviceListener& listener, void* data) {
    addListener(device, listener, data);
}

void DataControlProtocol::listen(wl_proxy* source, const SourceListener& listener, void* data) {
    addListener(source, listener, data);
}

void DataControlProtocol::listen(wl_proxy* offer, const OfferListener& listener, void* data) {
    addListener(offer, listener, data);
}

const DataControlProtocol& DataControlProtocol::ext() {
    static const DataControlProtocol protocol(
        "ext_data_control_manager_v1", &ext_data_control_manager_v1_interface,
        &ext_data_control_device_v1_interface, &ext_data_control_source_v1_interface);
    return protocol;
}

const DataControlProtocol& DataControlProtocol::wlr() {
    static const DataControlProtocol protocol(
        "zwlr_data_control_manager_v1", &zwlr_data_control_manager_v1_interface,
        &zwlr_data_control_device_v1_interface, &zwlr_data_control_source_v1_interface);
    return protocol;
}

const DataControlProtocol* DataControlProtocol::preferredOf(bool hasExt, bool hasWlr) {
    if (hasExt) {
        return &ext();
    }
    return hasWlr ? &wlr() : nullptr;
}

DataControlProtocol::DataControlProtocol(std::string managerName, const wl_interface* manager,
                                         const wl_interface* device, const wl_interface* source)
    : managerName_(std::move(managerName)), manager_(manager), device_(device), source_(source) {}

WaylandProxy DataControlProtocol::createSource(wl_proxy* manager) const {
    return WaylandProxy(
        wl_proxy_marshal_flags(manager, kCreateDataSource, source_, versionOf(manager), 0, nullptr),
        kSourceDestroy);
}

WaylandProxy DataControlProtocol::getDevice(wl_proxy* manager, wl_proxy* seat) const {
    return WaylandProxy(wl_proxy_marshal_flags(manager, kGetDataDevice, device_, versionOf(manager),
                                               0, nullptr, seat),
                        kDeviceDestroy);
}

void DataControlProtocol::offer(wl_proxy* source, const std::string& mimeType) {
    wl_proxy_marshal_flags(source, kSourceOffer, nullptr, versionOf(source), 0, mimeType.c_str());
}

void DataControlProtocol::setSelection(wl_proxy* device, wl_proxy* source) {
    wl_proxy_marshal_flags(device, kSetSelection, nullptr, versionOf(device), 0, source);
}

void DataControlProtocol::receive(wl_proxy* offer, const std::string& mimeType, int fd) {
    // libwayland sends a duplicate of `fd`: the caller still owns (and closes) its own.
    wl_proxy_marshal_flags(offer, kOfferReceive, nullptr, versionOf(offer), 0, mimeType.c_str(),
                           fd);
}

int DataControlProtocol::managerDestructor() {
    return kManagerDestroy;
}

WaylandProxy DataControlProtocol::adoptOffer(wl_proxy* offer) {
    return WaylandProxy(offer, kOfferDestroy);
}

}  // namespace nabbit
