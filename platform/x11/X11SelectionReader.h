#pragma once

#include <memory>
#include <vector>

#include <QObject>

#include "platform/Clipboard.h"

class QSocketNotifier;

namespace nabbit {

// Reads the CLIPBOARD selection in every format its owner offers, through an X connection of
// its own, without ever waiting on the owner: its answers arrive on Qt's event loop, and a read
// that takes longer than Clipboard::kReadDeadline ends with timedOut. Large transfers (INCR)
// are followed; above ClipboardContents::kMaxBytes in all the read ends with tooLarge.
class X11SelectionReader final : public QObject {
    Q_OBJECT

  public:
    explicit X11SelectionReader(QObject* parent = nullptr);
    ~X11SelectionReader() override;
    X11SelectionReader(const X11SelectionReader&) = delete;
    X11SelectionReader& operator=(const X11SelectionReader&) = delete;

    // Starts a read; `done` runs later on this thread, never from within the call.
    void read(Clipboard::ReadCallback done);

  private:
    struct Connection;
    struct Transfer;

    void pump();
    void handle(const void* event);
    void requestNextTarget(Transfer& transfer);
    void takeProperty(Transfer& transfer);
    void finish(Transfer& transfer, Clipboard::ReadResult result);
    Transfer* transferFor(unsigned int window);

    std::unique_ptr<Connection> connection_;
    QSocketNotifier* notifier_ = nullptr;  // owned by this object
    std::vector<std::unique_ptr<Transfer>> transfers_;
};

}  // namespace nabbit
