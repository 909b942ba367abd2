#pragma once

#include <QColor>
#include <QWidget>

namespace nabbit {

// A small filled circle that says whether something works (green) or needs the user (orange).
class StatusDot : public QWidget {
    Q_OBJECT

  public:
    explicit StatusDot(int diameter, QWidget* parent = nullptr);

    void setColor(const QColor& color);
    const QColor& color() const { return color_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor color_;
};

}  // namespace nabbit
