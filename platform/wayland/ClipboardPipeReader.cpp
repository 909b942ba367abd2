#include "platform/wayland/ClipboardPipeReader.h"

#include <unistd.h>

#include <cerrno>

namespace nabbit {

ClipboardPipeReader::ClipboardPipeReader(std::vector<Stream> streams,
                                         std::chrono::milliseconds deadline, std::size_t maxBytes,
                                         Clipboard::ReadCallback done, QObject* parent)
    : QObject(parent), maxBytes_(maxBytes), done_(std::move(done)) {
    for (Stream& stream : streams) {
        bytes_ += stream.mimeType.size();
        auto pipe = std::make_unique<Pipe>();
        pipe->stream = std::move(stream);
        pipe->notifier =
            std::make_unique<QSocketNotifier>(pipe->stream.fd.get(), QSocketNotifier::Read);
        connect(pipe->notifier.get(), &QSocketNotifier::activated, this,
                [this, raw = pipe.get()] { readFrom(*raw); });
        pipes_.push_back(std::move(pipe));
    }
    deadline_.setSingleShot(true);
    // Never early: a coarse timer may fire a few percent before its time.
    deadline_.setTimerType(Qt::PreciseTimer);
    connect(&deadline_, &QTimer::timeout, this,
            [this] { finish(Unexpected{ClipboardReadError::timedOut}); });
    deadline_.start(deadline);
    // Even an offer without formats reports from the event loop, never from the caller.
    QTimer::singleShot(0, this, [this] { finishIfDone(); });
}

ClipboardPipeReader::~ClipboardPipeReader() = default;

void ClipboardPipeReader::readFrom(Pipe& pipe) {
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(pipe.stream.fd.get(), buffer, sizeof buffer);
        if (count > 0) {
            bytes_ += static_cast<std::size_t>(count);
            if (bytes_ > maxBytes_) {
                finish(Unexpected{ClipboardReadError::tooLarge});
                return;
            }
            pipe.data.append(buffer, static_cast<std::size_t>(count));
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;  // more later
        }
        // End of data, or an error that leaves this format incomplete.
        pipe.ended = true;
        pipe.failed = count < 0;
        // Disabled rather than destroyed: this runs inside the notifier's own signal.
        pipe.notifier->setEnabled(false);
        pipe.stream.fd.reset();
        finishIfDone();
        return;
    }
}

void ClipboardPipeReader::finishIfDone() {
    for (const auto& pipe : pipes_) {
        if (!pipe->ended) {
            return;
        }
    }
    ClipboardContents contents;
    for (auto& pipe : pipes_) {
        if (!pipe->failed) {
            contents.formats.push_back({pipe->stream.mimeType, std::move(pipe->data)});
        }
    }
    finish(std::move(contents));
}

void ClipboardPipeReader::finish(Clipboard::ReadResult result) {
    if (finished_) {
        return;
    }
    finished_ = true;
    deadline_.stop();
    // Closing the read ends tells a slow owner to stop writing (it gets EPIPE).
    for (auto& pipe : pipes_) {
        pipe->notifier->setEnabled(false);
        pipe->stream.fd.reset();
        pipe->data.clear();
        pipe->data.shrink_to_fit();
    }
    auto done = std::move(done_);
    deleteLater();
    done(std::move(result));
}

}  // namespace nabbit
