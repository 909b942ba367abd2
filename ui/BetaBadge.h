#pragma once

#include <QWidget>

namespace nabbit {

// A small orange tag after a row title, its text in capitals ("BETA").
class BetaBadge : public QWidget {
    Q_OBJECT

  public:
    explicit BetaBadge(const QString& text, QWidget* parent = nullptr);

    const QString& text() const { return text_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString text_;
};

}  // namespace nabbit
