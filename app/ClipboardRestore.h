#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include <QObject>
#include <QTimer>

#include "platform/Clipboard.h"

namespace nabbit {

// Keeps the user's clipboard while codes pass through it, whatever the platform's clipboard:
// - one pending restore: what comes back is the clipboard as it was before the first code of
//   a burst, and each new code restarts the one timer, so the newest code keeps its full delay;
// - the restore writes back only over Nabbit's own code: what the user copied meanwhile stays;
// - every format comes back (text, rich text, images, file lists), up to a size cap;
// - a quit during the restore window restores first;
// - nothing waits on the clipboard's owner longer than the platform's read deadline.
// Operations run one after the other, in the order asked, on the main thread.
class ClipboardRestore : public QObject {
    Q_OBJECT

  public:
    // Whether a code reached the clipboard, or was there already from the last delivery.
    enum class CopyOutcome { copied, alreadyOnClipboard };
    using CopyDone = std::function<void(CopyOutcome outcome)>;

    explicit ClipboardRestore(Clipboard& clipboard, QObject* parent = nullptr);
    ~ClipboardRestore() override;

    // Puts a code on the clipboard. With `restoreAfterSeconds` of at least 1, the clipboard the
    // user had comes back that long afterwards; a restore already pending keeps what it saved
    // and restarts its timer. When the same code still sits on the clipboard from the last
    // copy, nothing is written and `done` hears so. `done` runs once the clipboard holds the
    // code, possibly before this returns.
    void copyCode(const std::string& code, int restoreAfterSeconds, CopyDone done = {});
    // Puts a code on the clipboard, saving nothing: copies the user asked for in a window.
    void copyCodeOnly(const std::string& code);

    // Moves the pending restore to `seconds` from now; nothing when none is pending.
    void rescheduleRestore(int seconds);
    // Restores now, when a restore is pending.
    void restoreNow();
    // For the end of the process: restores before returning, waiting at most the read deadline
    // for the clipboard's owner, so that a clipboard manager can take the user's contents over.
    void restoreBeforeQuit();

    bool isRestorePending() const { return saved_.has_value(); }
    const std::optional<ClipboardContents>& savedContents() const { return saved_; }
    // The code Nabbit wrote last, while no restore has replaced it.
    const std::optional<std::string>& codeOnClipboard() const { return codeOnClipboard_; }

  signals:
    // The user's contents went back onto the clipboard (not said while quitting).
    void restored();

  private:
    using Step = std::function<void()>;

    void enqueue(Step step);
    void finishStep();
    // Answers whether the clipboard still holds the code Nabbit wrote last: at once while Nabbit
    // owns the selection, else by reading it (a manager may have taken it over, same text).
    // What it read comes along when it does not hold the code; `needsContents` reads even
    // when no code of ours was written.
    void checkHoldsCode(bool needsContents,
                        std::function<void(bool holds, std::optional<ClipboardContents> now)> then);
    void writeCode(const std::string& code);
    void startRestore();
    void putBack();

    Clipboard& clipboard_;
    QTimer timer_;
    std::optional<ClipboardContents> saved_;
    std::optional<std::string> codeOnClipboard_;
    std::deque<Step> steps_;
    bool running_ = false;
    bool quitting_ = false;
};

}  // namespace nabbit
