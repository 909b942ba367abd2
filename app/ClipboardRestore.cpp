#include "app/ClipboardRestore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>

#include "core/DebugLogger.h"
#include "core/SystemLog.h"

namespace nabbit {

namespace {

// A quit waits this long at most for the steps in progress and the restore: each step waits at
// most one read deadline for the clipboard's owner.
constexpr auto kQuitWait = Clipboard::kReadDeadline * 4;

std::string whyNotRead(ClipboardReadError error) {
    switch (error) {
        case ClipboardReadError::timedOut:
            return "the program holding it did not answer in time";
        case ClipboardReadError::tooLarge:
            return "it holds more than " +
                   std::to_string(ClipboardContents::kMaxBytes / (1024 * 1024)) + " MB";
        case ClipboardReadError::unavailable:
            return "there is no clipboard to read";
    }
    return "it could not be read";
}

}  // namespace

ClipboardRestore::ClipboardRestore(Clipboard& clipboard, QObject* parent)
    : QObject(parent), clipboard_(clipboard) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &ClipboardRestore::restoreNow);
    if (QCoreApplication::instance() != nullptr) {
        // Before Qt hands the clipboard to a clipboard manager and the process ends.
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
                &ClipboardRestore::restoreBeforeQuit);
    }
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        // A logout may end the process without a quit of its own; it may also be cancelled.
        connect(gui, &QGuiApplication::commitDataRequest, this, [this] {
            restoreBeforeQuit();
            quitting_ = false;
        });
    }
}

ClipboardRestore::~ClipboardRestore() = default;

void ClipboardRestore::copyCode(const std::string& code, int restoreAfterSeconds, CopyDone done) {
    enqueue([this, code, restoreAfterSeconds, done = std::move(done)] {
        const bool wantsSave = restoreAfterSeconds >= 1 && !saved_;
        checkHoldsCode(wantsSave, [this, code, restoreAfterSeconds, wantsSave, done](
                                      bool holds, std::optional<ClipboardContents> current) {
            if (holds && codeOnClipboard_ == code) {
                // One SMS seen twice (two programs, an updated notification, SMS and mail).
                if (done) {
                    done(CopyOutcome::alreadyOnClipboard);
                }
                finishStep();
                return;
            }
            // What holds an earlier code of ours is not the user's: it is never saved.
            if (wantsSave && !holds && current && !current->empty()) {
                saved_ = std::move(*current);
            }
            writeCode(code);
            if (saved_ && restoreAfterSeconds >= 1) {
                timer_.start(std::chrono::seconds(restoreAfterSeconds));
            }
            if (done) {
                done(CopyOutcome::copied);
            }
            finishStep();
        });
    });
}

void ClipboardRestore::copyCodeOnly(const std::string& code) {
    enqueue([this, code] {
        writeCode(code);
        finishStep();
    });
}

void ClipboardRestore::rescheduleRestore(int seconds) {
    if (saved_) {
        timer_.start(std::chrono::seconds(std::max(seconds, 0)));
    }
}

void ClipboardRestore::restoreNow() {
    timer_.stop();
    enqueue([this] { startRestore(); });
}

void ClipboardRestore::restoreBeforeQuit() {
    timer_.stop();
    quitting_ = true;
    if (!saved_ && steps_.empty() && !running_) {
        return;
    }
    restoreNow();
    // The event loop still runs here, so reads in progress finish; the wait has a bound.
    QEventLoop loop;
    QElapsedTimer waited;
    waited.start();
    while ((running_ || !steps_.empty()) && waited.elapsed() < kQuitWait.count()) {
        loop.processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents, 10);
    }
    if (running_ || !steps_.empty()) {
        systemLog("[Nabbit] Quitting before the clipboard could be restored");
    }
}

void ClipboardRestore::enqueue(Step step) {
    steps_.push_back(std::move(step));
    if (!running_) {
        finishStep();
    }
}

void ClipboardRestore::finishStep() {
    running_ = false;
    if (steps_.empty()) {
        return;
    }
    Step next = std::move(steps_.front());
    steps_.pop_front();
    running_ = true;
    next();
}

void ClipboardRestore::checkHoldsCode(
    bool needsContents,
    std::function<void(bool holds, std::optional<ClipboardContents> now)> then) {
    if (codeOnClipboard_ && clipboard_.ownsSelection()) {
        then(true, std::nullopt);
        return;
    }
    if (!codeOnClipboard_ && !needsContents) {
        then(false, std::nullopt);
        return;
    }
    clipboard_.read([self = QPointer<ClipboardRestore>(this),
                     then = std::move(then)](Clipboard::ReadResult result) {
        if (!self) {
            return;
        }
        if (!result) {
            systemLog("[Nabbit] Could not read the clipboard: " + whyNotRead(result.error()));
            then(false, std::nullopt);
            return;
        }
        const bool holds = self->codeOnClipboard_ && result->text() == *self->codeOnClipboard_;
        then(holds, holds ? std::nullopt : std::optional(std::move(*result)));
    });
}

void ClipboardRestore::writeCode(const std::string& code) {
    clipboard_.writeCode(code);
    codeOnClipboard_ = code;
}

void ClipboardRestore::startRestore() {
    if (!saved_) {
        finishStep();
        return;
    }
    checkHoldsCode(false, [this](bool holds, const std::optional<ClipboardContents>&) {
        if (holds) {
            putBack();
        } else {
            // The user copied something since: that stays, and the saved contents go.
            DebugLogger::shared().log("Clipboard changed since the code was copied; not restored",
                                      "SYSTEM");
            saved_.reset();
            codeOnClipboard_.reset();
        }
        finishStep();
    });
}

void ClipboardRestore::putBack() {
    clipboard_.write(*saved_);
    saved_.reset();
    codeOnClipboard_.reset();
    timer_.stop();
    if (!quitting_) {
        emit restored();
    }
}

}  // namespace nabbit
