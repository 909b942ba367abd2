#pragma once

#include <QPalette>
#include <QWidget>

namespace nabbit {

// A rounded rectangle in one of the palette's colours (a card on the page), under whatever
// layout it is given. The colour is looked up at each paint, so it follows the theme.
class RoundedPanel : public QWidget {
    Q_OBJECT

  public:
    RoundedPanel(QPalette::ColorRole role, int radius, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QPalette::ColorRole role_;
    int radius_;
};

}  // namespace nabbit
