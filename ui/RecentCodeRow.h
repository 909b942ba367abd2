#pragma once

#include <QAbstractButton>

#include "sources/CodeEntry.h"

namespace nabbit {

// One recent code in the settings window: the code over its service on a rounded background,
// a copy symbol at the right. The whole row is one button (Space or Enter press it too).
class RecentCodeRow : public QAbstractButton {
    Q_OBJECT

  public:
    explicit RecentCodeRow(const CodeEntry& entry, QWidget* parent = nullptr);

    const CodeEntry& entry() const { return entry_; }
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    CodeEntry entry_;
};

}  // namespace nabbit
