#pragma once

#include <QAbstractButton>

#include "sources/CodeEntry.h"

namespace nabbit {

// One recent code in the tray panel: the code and its service on a rounded background, with a
// copy symbol at the right. The whole row is one button.
class PopoverCodeRow : public QAbstractButton {
    Q_OBJECT

  public:
    explicit PopoverCodeRow(const CodeEntry& entry, QWidget* parent = nullptr);

    const CodeEntry& entry() const { return entry_; }
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    CodeEntry entry_;
};

}  // namespace nabbit
