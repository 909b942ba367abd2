#pragma once

#include <QAbstractButton>

namespace nabbit {

// An on/off switch without a label of its own (the row beside it says what it switches): a
// rounded track, filled with the accent colour when on, and a round knob. Space or Enter
// flips it; `clicked` is sent only for the user's flips, never for setChecked.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT

  public:
    explicit ToggleSwitch(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool hitButton(const QPoint& position) const override;
};

}  // namespace nabbit
