#pragma once

#include <QObject>
#include <QSocketNotifier>

#include "core/UniqueFd.h"

namespace nabbit {

// Quits the Qt application cleanly on SIGINT or SIGTERM for as long as it lives: the signal
// handler only sets a flag and writes a byte to a pipe, and the event loop reads it and quits.
// Work that keeps the event loop waiting (a long sync) asks quitRequested() between its steps.
class QuitOnSignals : public QObject {
    Q_OBJECT

  public:
    explicit QuitOnSignals(QObject* parent = nullptr);
    ~QuitOnSignals() override;

    bool isActive() const { return notifier_ != nullptr; }
    // A quit signal has arrived; the event loop may not have seen it yet.
    bool quitRequested() const;

  private:
    UniqueFd readEnd_;
    UniqueFd writeEnd_;
    QSocketNotifier* notifier_ = nullptr;  // a child of this object
};

}  // namespace nabbit
