#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string_view>

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include "core/UniqueFd.h"
#include "platform/ClipboardContents.h"

namespace nabbit {

// Writes one format of contents this process offers into the pipe another program reads it
// from, in pieces whenever the pipe has room, so that large contents or a slow reader never
// hold up the event loop. Closes the pipe when everything is written, when the reader goes
// (EPIPE) or after a long silence; then deletes itself.
class ClipboardPipeWriter final : public QObject {
    Q_OBJECT

  public:
    // How long a reader may leave the pipe full before the transfer is abandoned.
    static constexpr std::chrono::seconds kStallLimit{10};

    // `data` points into `contents`, which the writer keeps alive.
    ClipboardPipeWriter(UniqueFd fd, std::shared_ptr<const ClipboardContents> contents,
                        std::string_view data, QObject* parent);
    ~ClipboardPipeWriter() override;
    ClipboardPipeWriter(const ClipboardPipeWriter&) = delete;
    ClipboardPipeWriter& operator=(const ClipboardPipeWriter&) = delete;

    // Writing to a pipe whose reader has gone raises SIGPIPE, which would end the program:
    // unless the program has a handler of its own, the signal is ignored and the write fails
    // with EPIPE instead.
    static void ignoreBrokenPipeSignal();

  private:
    void writeSome();
    void close();

    UniqueFd fd_;
    std::shared_ptr<const ClipboardContents> contents_;
    std::string_view left_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer stall_;
};

}  // namespace nabbit
