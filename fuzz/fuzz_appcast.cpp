// Arbitrary bytes as an update feed: reading it must never crash, and what it accepts must keep
// the promises the updater relies on (HTTPS address, bounded length, a 64-byte signature, the
// newest item really the highest version). The same bytes also go through the version reader
// and the signature check.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/Appcast.h"
#include "app/UpdateSignature.h"

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace nabbit;
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));

    if (const auto appcast = parseAppcast(bytes)) {
        const AppcastItem* newest = appcast->newest();
        require((newest == nullptr) == appcast->items.empty());
        for (const auto& item : appcast->items) {
            require(item.url.scheme() == u"https" && !item.url.host().isEmpty());
            require(item.length >= 1 && item.length <= maxUpdateBytes);
            require(item.signature.size() == 64);
            require(!item.displayVersion.isEmpty());
            require(item.version <= newest->version);
        }
    } else {
        require(!appcast.error().isEmpty());
    }

    const QString text = QString::fromUtf8(bytes.first(std::min<qsizetype>(bytes.size(), 64)));
    if (const auto version = Version::parse(text)) {
        require(version->text() == text);
        require(*version == *version);
    }

    // A 32-byte key from the front, a signature from the back: only a match may verify, and
    // random bytes are all but never one.
    if (size >= 96) {
        if (const auto key = UpdateSigningKey::fromText(bytes.first(32))) {
            (void)key->verify(bytes.sliced(32, size - 96), bytes.last(64));
        }
    }
    return 0;
}
