#pragma once

#include "platform/Clipboard.h"
#include "platform/x11/X11SelectionReader.h"

namespace nabbit {

// The CLIPBOARD selection. Writes go through QClipboard (needs a QGuiApplication), so that Qt
// serves them and hands them to a clipboard manager when Nabbit quits; reads go through an X
// connection of Nabbit's own that never waits on the owner (QClipboard's would, for seconds).
// A code is offered with the hint x-kde-passwordManagerHint = secret beside its text, which
// clipboard managers take as "do not keep in the history".
class X11Clipboard final : public Clipboard {
  public:
    void read(ReadCallback done) override;
    void writeCode(const std::string& code) override;
    void write(const ClipboardContents& contents) override;
    bool ownsSelection() const override;

  private:
    X11SelectionReader reader_;
};

}  // namespace nabbit
