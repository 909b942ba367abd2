// Arbitrary bytes as a notification's summary and body: the text extraction must end without a
// crash, leak or undefined behaviour, and its result must stay within its bound whatever markup,
// entities or broken UTF-8 the sender put in. The first byte says whether the body is markup;
// the summary ends at the first NUL.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sources/notifications/NotificationText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool markup = (data[0] & 1U) != 0;
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto nul = rest.find('\0');
    const std::string_view summary = rest.substr(0, nul);
    const std::string_view body =
        nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);
    if (nabbit::notificationText(summary, body, markup).size() >
        nabbit::maximumNotificationTextBytes) {
        std::abort();
    }
    // Removing markup never makes a text longer: a tag or an entity is at least as long as
    // what stands for it.
    if (nabbit::removeNotificationMarkup(body).size() > body.size()) {
        std::abort();
    }
    return 0;
}
