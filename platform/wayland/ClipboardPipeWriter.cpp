#include "platform/wayland/ClipboardPipeWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>

namespace nabbit {

namespace {

constexpr std::size_t kPiece = 64 * 1024;

}  // namespace

void ClipboardPipeWriter::ignoreBrokenPipeSignal() {
    struct sigaction current {};
    if (::sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        ::sigaction(SIGPIPE, &ignore, nullptr);
    }
}

ClipboardPipeWriter::ClipboardPipeWriter(UniqueFd fd,
                                         std::shared_ptr<const ClipboardContents> contents,
                                         std::string_view data, QObject* parent)
    : QObject(parent), fd_(std::move(fd)), contents_(std::move(contents)), left_(data) {
    const int flags = ::fcntl(fd_.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd_.get(), F_SETFL, flags | O_NONBLOCK) < 0) {
        // Without a non-blocking pipe a slow reader could stall us: give up on this transfer.
        QTimer::singleShot(0, this, [this] { close(); });
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(fd_.get(), QSocketNotifier::Write);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { writeSome(); });
    stall_.setSingleShot(true);
    connect(&stall_, &QTimer::timeout, this, [this] { close(); });
    stall_.start(kStallLimit);
}

ClipboardPipeWriter::~ClipboardPipeWriter() = default;

void ClipboardPipeWriter::writeSome() {
    while (!left_.empty()) {
        const ssize_t written = ::write(fd_.get(), left_.data(), std::min(left_.size(), kPiece));
        if (written > 0) {
            left_.remove_prefix(static_cast<std::size_t>(written));
            stall_.start(kStallLimit);
            continue;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;  // the pipe is full: on when the reader has taken some
        }
        break;  // EPIPE (the reader went) or another error: nothing more to do
    }
    close();
}

void ClipboardPipeWriter::close() {
    // Disabled rather than destroyed: this may run inside the notifier's own signal.
    if (notifier_) {
        notifier_->setEnabled(false);
    }
    stall_.stop();
    fd_.reset();
    deleteLater();
}

}  // namespace nabbit
