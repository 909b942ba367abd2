#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include "core/UniqueFd.h"
#include "platform/Clipboard.h"

namespace nabbit {

// Reads the formats of one clipboard offer from the pipes their owner writes into, all at
// once and without blocking, until every pipe reaches its end, the deadline passes or the
// bytes exceed the cap. Reports once, then deletes itself.
class ClipboardPipeReader final : public QObject {
    Q_OBJECT

  public:
    // The read end of one pipe and the type its owner was asked to write into it.
    struct Stream {
        std::string mimeType;
        UniqueFd fd;
    };

    ClipboardPipeReader(std::vector<Stream> streams, std::chrono::milliseconds deadline,
                        std::size_t maxBytes, Clipboard::ReadCallback done, QObject* parent);
    ~ClipboardPipeReader() override;
    ClipboardPipeReader(const ClipboardPipeReader&) = delete;
    ClipboardPipeReader& operator=(const ClipboardPipeReader&) = delete;

  private:
    struct Pipe {
        Stream stream;
        std::string data;
        std::unique_ptr<QSocketNotifier> notifier;
        bool ended = false;
        bool failed = false;
    };

    void readFrom(Pipe& pipe);
    void finishIfDone();
    void finish(Clipboard::ReadResult result);

    std::vector<std::unique_ptr<Pipe>> pipes_;
    std::size_t maxBytes_;
    std::size_t bytes_ = 0;
    Clipboard::ReadCallback done_;
    QTimer deadline_;
    bool finished_ = false;
};

}  // namespace nabbit
