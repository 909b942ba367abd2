#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "core/Expected.h"
#include "platform/ClipboardContents.h"

namespace nabbit {

// Why a read of the clipboard brought nothing back.
enum class ClipboardReadError {
    timedOut,     // the owner did not answer within the deadline (a frozen program)
    tooLarge,     // the formats add up to more than ClipboardContents::kMaxBytes
    unavailable,  // no clipboard to read (the display or compositor is gone)
};

// The desktop's clipboard, the one Ctrl+V pastes from. Nothing here blocks the event loop: a
// program that holds the clipboard and never answers must not freeze Nabbit.
class Clipboard {
  public:
    using ReadResult = Expected<ClipboardContents, ClipboardReadError>;
    using ReadCallback = std::function<void(ReadResult result)>;

    // How long a read waits for the clipboard's owner, all formats together.
    static constexpr std::chrono::milliseconds kReadDeadline{300};

    virtual ~Clipboard() = default;

    // Reads every format the clipboard offers now. `done` runs later, on the main thread and
    // never from within this call, with the contents (empty when the clipboard holds nothing)
    // or with why there are none.
    virtual void read(ReadCallback done) = 0;

    // Replaces the contents with a one-time code, in every plain-text format, marked with
    // x-kde-passwordManagerHint = secret so that clipboard histories do not keep it.
    virtual void writeCode(const std::string& code) = 0;

    // Puts saved contents back, every format as it was read.
    virtual void write(const ClipboardContents& contents) = 0;

    // Whether the clipboard still holds what this process wrote last: no other program has
    // taken it since. Answers at once, from what the clipboard has told us.
    virtual bool ownsSelection() const = 0;
};

}  // namespace nabbit
