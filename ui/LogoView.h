#pragma once

#include <QWidget>

namespace nabbit {

// The application's logo, drawn from its vector source at the widget's size and the screen's
// pixel density, so that it stays sharp.
class LogoView : public QWidget {
    Q_OBJECT

  public:
    explicit LogoView(int size, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace nabbit
