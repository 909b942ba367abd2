#pragma once

#include <QWidget>

namespace nabbit {

// A hairline across its width, in a faint shade of the text colour so that it reads on light
// and dark backgrounds alike.
class Divider : public QWidget {
    Q_OBJECT

  public:
    explicit Divider(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace nabbit
