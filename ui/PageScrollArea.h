#pragma once

#include <QScrollArea>

namespace nabbit {

// A frameless scroll area on the window background that sizes its page to its width, with a
// slim scroll bar that follows the theme.
class PageScrollArea : public QScrollArea {
    Q_OBJECT

  public:
    explicit PageScrollArea(QWidget* parent = nullptr);

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void restyle();
};

}  // namespace nabbit
